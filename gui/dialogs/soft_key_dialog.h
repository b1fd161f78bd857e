// The base of the program's dialogs: each covers its owner's window and has a
// soft-key bar at the bottom, one key at the left edge ("Ok") and maybe one
// at the right ("Cancel", "Menu", ...).
#ifndef LEXORA_GUI_DIALOGS_SOFT_KEY_DIALOG_H_
#define LEXORA_GUI_DIALOGS_SOFT_KEY_DIALOG_H_

#include <QDialog>
#include <QString>

class QBoxLayout;
class QHBoxLayout;
class QPushButton;

namespace lexora {

class SoftKeyDialog : public QDialog {
  Q_OBJECT
 public:
  explicit SoftKeyDialog(QWidget* owner);

 protected:
  struct SoftKeys {
    QHBoxLayout* bar = nullptr;
    QPushButton* left = nullptr;
    QPushButton* right = nullptr;  // null when there is no right key
  };
  // Appends the bar to `layout`. The keys are children of the dialog and are
  // not auto-default buttons (Enter does not press them by focus alone).
  SoftKeys add_soft_keys(QBoxLayout* layout, const QString& left, const QString& right = QString());
  // Takes the geometry of the owner's window; nothing without an owner.
  void cover_owner();
};

}  // namespace lexora

#endif  // LEXORA_GUI_DIALOGS_SOFT_KEY_DIALOG_H_
