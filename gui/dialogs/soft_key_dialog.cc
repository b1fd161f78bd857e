#include "gui/dialogs/soft_key_dialog.h"

#include <QBoxLayout>
#include <QPushButton>

namespace lexora {

SoftKeyDialog::SoftKeyDialog(QWidget* owner) : QDialog(owner) {}

SoftKeyDialog::SoftKeys SoftKeyDialog::add_soft_keys(QBoxLayout* layout, const QString& left,
                                                     const QString& right) {
  SoftKeys keys;
  keys.bar = new QHBoxLayout;
  keys.left = new QPushButton(left, this);
  keys.left->setAutoDefault(false);
  keys.bar->addWidget(keys.left);
  keys.bar->addStretch(1);
  if (!right.isEmpty()) {
    keys.right = new QPushButton(right, this);
    keys.right->setAutoDefault(false);
    keys.bar->addWidget(keys.right);
  }
  layout->addLayout(keys.bar);
  return keys;
}

void SoftKeyDialog::cover_owner() {
  if (QWidget* owner = parentWidget()) setGeometry(owner->window()->geometry());
}

}  // namespace lexora
