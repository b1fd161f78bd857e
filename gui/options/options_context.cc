#include "gui/options/options_context.h"

#include "gui/dialogs/file_browser.h"
#include "gui/options/general_page.h"

namespace lexora {

ChooseFile file_browser_chooser() {
  return [](QWidget* owner, const QString& start_folder, const QString& type_text, bool save_form) {
    FileBrowser browser(owner);
    const bool chosen = save_form ? browser.browse_save(start_folder, type_text, true)
                                  : browser.browse_open(start_folder, type_text);
    return chosen ? browser.result() : QString();
  };
}

bool run_options(OptionsContext& context, QWidget* owner) {
  GeneralPage page(context, owner);
  return page.exec() == QDialog::Accepted;
}

}  // namespace lexora
