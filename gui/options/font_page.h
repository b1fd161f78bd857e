// The Font page: colour profile switches, the main font's family and size,
// and an extra font file added for this run.
#ifndef LEXORA_GUI_OPTIONS_FONT_PAGE_H_
#define LEXORA_GUI_OPTIONS_FONT_PAGE_H_

#include <QStringList>

#include "gui/options/options_context.h"
#include "gui/options/options_page.h"

class QCheckBox;
class QComboBox;

namespace lexora {

namespace font_page_ids {
inline constexpr int kUseColourProfile = 1019;
inline constexpr int kUseReaderColours = 1022;
inline constexpr int kFontFamily = 1025;
inline constexpr int kFontSize = 1024;
inline constexpr int kExtraFont = 1026;
inline constexpr int kBrowseFont = 1016;
}  // namespace font_page_ids

class FontPage : public OptionsPage {
  Q_OBJECT
 public:
  FontPage(OptionsContext& context, QWidget* owner);
  bool apply() override;

  // The "…" button: a font file chosen in the browser, added for this
  // process; the first family it brought is selected.
  void browse_font();
  // Adds `path` as browse_font does after the browser; false when the
  // platform cannot add it (nothing changes then).
  bool add_font_file(const QString& path);

  QCheckBox* use_colour_profile() const { return use_colour_profile_; }
  QCheckBox* use_reader_colours() const { return use_reader_colours_; }
  QComboBox* family_box() const { return families_; }
  QLineEdit* size_field() const { return size_; }
  QLineEdit* extra_font_field() const { return extra_font_; }

 private:
  // The font list, in the platform's own order, into the drop-down.
  QStringList fill_families();

  OptionsContext& context_;
  QStringList font_list_;
  QCheckBox* use_colour_profile_ = nullptr;
  QCheckBox* use_reader_colours_ = nullptr;
  QComboBox* families_ = nullptr;
  QLineEdit* size_ = nullptr;
  QLineEdit* extra_font_ = nullptr;
};

}  // namespace lexora

#endif  // LEXORA_GUI_OPTIONS_FONT_PAGE_H_
