// The About box: the program icon and "Lexora v1.6.17", with soft keys "Ok"
// and "Lexora"; the latter opens the dictionary information dialog on top.
#ifndef LEXORA_GUI_DIALOGS_ABOUT_DIALOG_H_
#define LEXORA_GUI_DIALOGS_ABOUT_DIALOG_H_

#include <QDialog>

#include "gui/dialogs/soft_key_dialog.h"

namespace lexora {

class Dictionary;

inline constexpr char kVersionLine[] = "Lexora v1.6.17";

class AboutDialog : public SoftKeyDialog {
  Q_OBJECT
 public:
  AboutDialog(Dictionary& dictionary, QWidget* owner);

  // Commands 1 and 2 end the dialog with that result; 136 runs the
  // dictionary information dialog.
  void on_command(int id);

 private:
  Dictionary& dictionary_;
};

}  // namespace lexora

#endif  // LEXORA_GUI_DIALOGS_ABOUT_DIALOG_H_
