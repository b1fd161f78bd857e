#include "gui/dialogs/about_dialog.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "resources/string_table.h"
#include "gui/command_ids.h"
#include "gui/dialogs/info_dialog.h"

namespace lexora {

AboutDialog::AboutDialog(Dictionary& dictionary, QWidget* owner)
    : QDialog(owner), dictionary_(dictionary) {
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

  auto* bar = new QHBoxLayout;
  auto* ok = new QPushButton(QString::fromUtf8(string_text(str::kOkSoftKey)), this);
  auto* info = new QPushButton(QString::fromUtf8(string_text(str::kLexora)), this);
  info->setObjectName(QStringLiteral("info"));
  ok->setDefault(true);
  bar->addWidget(ok);
  bar->addStretch(1);
  bar->addWidget(info);
  layout->addLayout(bar);
  connect(ok, &QPushButton::clicked, this, [this] { on_command(cmd::kOk); });
  connect(info, &QPushButton::clicked, this, [this] { on_command(cmd::kDictionaryInfo); });
  if (owner) setGeometry(owner->window()->geometry());
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
