// The dictionary information dialog: the open file's path, its number of
// words and "Check file integrity", which runs the checksum test under the
// wait cursor and reports the result in a "Check CRC" message box.
#ifndef LEXORA_GUI_DIALOGS_INFO_DIALOG_H_
#define LEXORA_GUI_DIALOGS_INFO_DIALOG_H_

#include <QDialog>

#include "gui/dialogs/soft_key_dialog.h"

class QLabel;

namespace lexora {

class Dictionary;

class InfoDialog : public SoftKeyDialog {
  Q_OBJECT
 public:
  InfoDialog(Dictionary& dictionary, QWidget* owner);

  // "Check file integrity": runs the check and shows its result.
  void check_integrity();
  QString path_text() const;
  QString word_count_text() const;

 private:
  Dictionary& dictionary_;
  QLabel* path_ = nullptr;
  QLabel* words_ = nullptr;
};

}  // namespace lexora

#endif  // LEXORA_GUI_DIALOGS_INFO_DIALOG_H_
