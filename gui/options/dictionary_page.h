// The dictionary options page: the open dictionary's "last_word" and
// "smart_find".
#ifndef LEXORA_GUI_OPTIONS_DICTIONARY_PAGE_H_
#define LEXORA_GUI_OPTIONS_DICTIONARY_PAGE_H_

#include "gui/options/options_context.h"
#include "gui/options/options_page.h"

class QCheckBox;

namespace lexora {

namespace dictionary_page_ids {
inline constexpr int kSavePosition = 1005;
inline constexpr int kIgnorePunctuation = 1007;
}  // namespace dictionary_page_ids

class DictionaryPage : public OptionsPage {
  Q_OBJECT
 public:
  DictionaryPage(OptionsContext& context, QWidget* owner);
  bool apply() override;
  QCheckBox* save_position() const { return save_position_; }
  QCheckBox* ignore_punctuation() const { return ignore_punctuation_; }

 private:
  OptionsContext& context_;
  QCheckBox* save_position_ = nullptr;
  QCheckBox* ignore_punctuation_ = nullptr;
};

}  // namespace lexora

#endif  // LEXORA_GUI_OPTIONS_DICTIONARY_PAGE_H_
