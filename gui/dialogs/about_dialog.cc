#include "gui/dialogs/about_dialog.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/command_ids.h"
#include "gui/dialogs/info_dialog.h"
#include "gui/qt_util.h"
#include "resources/string_table.h"

namespace lexora {

AboutDialog::AboutDialog(Dictionary& dictionary, QWidget* owner)
    : SoftKeyDialog(owner), dictionary_(dictionary) {
  setWindowTitle(QStringLiteral("About"));
  auto* layout = new QVBoxLayout(this);
  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(QStringLiteral(":/icons/101.png")).pixmap(64, 64));
  icon->setAlignment(Qt::AlignCenter);
  auto* line = new QLabel(QString::fromUtf8(kVersionLine), this);
  line->setObjectName(QStringLiteral("version"));
  line->setAlignment(Qt::AlignCenter);
  QFont font = line->font();
  font.setPointSizeF(font.pointSizeF() * 1.4);
  font.setBold(true);
  line->setFont(font);
  layout->addStretch(1);
  layout->addWidget(icon);
  layout->addWidget(line);
  layout->addStretch(2);

  const SoftKeys keys = add_soft_keys(layout, qt_text(str::kOkSoftKey), qt_text(str::kLexora));
  // Enter presses "Ok", or "Lexora" while it has the focus.
  keys.left->setAutoDefault(true);
  keys.right->setAutoDefault(true);
  keys.left->setDefault(true);
  keys.right->setObjectName(QStringLiteral("info"));
  connect(keys.left, &QPushButton::clicked, this, [this] { on_command(cmd::kOk); });
  connect(keys.right, &QPushButton::clicked, this, [this] { on_command(cmd::kDictionaryInfo); });
  cover_owner();
}

void AboutDialog::on_command(int id) {
  switch (id) {
    case cmd::kOk:
    case cmd::kCancel:
      done(id);
      break;
    case cmd::kDictionaryInfo: {
      InfoDialog info(dictionary_, this);
      info.exec();
      break;
    }
    default:
      break;
  }
}

}  // namespace lexora
