// The General page: recent-file count, start-up and window behaviour, the
// flash-card database and the menu form; its "Menu" opens the dictionary
// options page and the Font page, modal over it.
#ifndef LEXORA_GUI_OPTIONS_GENERAL_PAGE_H_
#define LEXORA_GUI_OPTIONS_GENERAL_PAGE_H_

#include "gui/options/options_context.h"
#include "gui/options/options_page.h"

class QCheckBox;
class QMenu;

namespace lexora {

namespace general_ids {
inline constexpr int kRecentCount = 1014;
inline constexpr int kFindClipboard = 1006;
inline constexpr int kAllowMultiple = 1020;
inline constexpr int kArrowRedefine = 1018;
inline constexpr int kShowOnlyCard = 1019;
inline constexpr int kDatabasePath = 1027;
inline constexpr int kBrowseDatabase = 1028;
inline constexpr int kSmartMenu = 1021;
}  // namespace general_ids

// The filter of the flash-card database browser.
inline constexpr char kDatabaseTypeText[] = "Memorin (*.pdb)";

class GeneralPage : public OptionsPage {
  Q_OBJECT
 public:
  GeneralPage(OptionsContext& context, QWidget* owner);

  bool apply() override;
  // A command of the page's menu: the two other pages or Cancel.
  void on_menu_command(int id);
  // The "…" button: the database browser in its save form.
  void browse_database();

  QMenu* menu() const { return menu_; }
  QCheckBox* check(int id) const;
  QLineEdit* recent_field() const { return recent_; }
  QLineEdit* database_field() const { return database_; }

 private:
  OptionsContext& context_;
  QLineEdit* recent_ = nullptr;
  QLineEdit* database_ = nullptr;
  QMenu* menu_ = nullptr;
};

}  // namespace lexora

#endif  // LEXORA_GUI_OPTIONS_GENERAL_PAGE_H_
