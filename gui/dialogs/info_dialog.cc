#include "gui/dialogs/info_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/dictionary.h"
#include "gui/command_ids.h"
#include "gui/qt_util.h"
#include "platform/messages.h"
#include "resources/string_table.h"

namespace lexora {

InfoDialog::InfoDialog(Dictionary& dictionary, QWidget* owner)
    : SoftKeyDialog(owner), dictionary_(dictionary) {
  setWindowTitle(qt_text(str::kLexora));
  auto* layout = new QVBoxLayout(this);
  path_ = new QLabel(QString::fromStdString(dictionary_.path()), this);
  path_->setWordWrap(true);
  path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  words_ = new QLabel(
      QString::fromStdString(format_message(string_text(str::kWordsCount),
                                            static_cast<long long>(dictionary_.word_count()))),
      this);
  auto* check = new QPushButton(QStringLiteral("Check file integrity"), this);
  check->setObjectName(QStringLiteral("check"));
  check->setAutoDefault(false);
  layout->addWidget(path_);
  layout->addWidget(words_);
  layout->addWidget(check, 0, Qt::AlignLeft);
  layout->addStretch(1);
  const SoftKeys keys = add_soft_keys(layout, qt_text(str::kOkSoftKey));
  connect(check, &QPushButton::clicked, this, &InfoDialog::check_integrity);
  connect(keys.left, &QPushButton::clicked, this, [this] { done(cmd::kOk); });
  cover_owner();
}

QString InfoDialog::path_text() const {
  return path_->text();
}
QString InfoDialog::word_count_text() const {
  return words_->text();
}

void InfoDialog::check_integrity() {
  WaitCursor wait;
  const ChecksumResult result = dictionary_.verify_checksum();
  wait.restore();
  int text = str::kFileReadingError;
  MessageIcon icon = MessageIcon::kInformation;
  switch (result) {
    case kChecksumOk:
      text = str::kNoErrors;
      break;
    case kChecksumMismatch:
      text = str::kWrongCrc;
      icon = MessageIcon::kError;
      break;
    case kChecksumAbsent:
      text = str::kNoCrcInfo;
      break;
    case kChecksumUnreadable:
      break;
  }
  Message message;
  message.text = string_text(text);
  message.caption = string_text(str::kCheckCrc);
  message.icon = icon;
  message.owner = MessageOwner::kWindow;
  message.owner_window = static_cast<QWidget*>(this);
  show_message(message);
}

}  // namespace lexora
