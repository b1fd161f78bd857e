#include "gui/qt_message_sink.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QWidget>

namespace lexora {
namespace {

QMessageBox::Icon qt_icon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kError:
      return QMessageBox::Critical;
    case MessageIcon::kWarning:
      return QMessageBox::Warning;
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
    case MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qt_buttons(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kYesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::kOkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::kOk:
      break;
  }
  return QMessageBox::Ok;
}

}  // namespace

MessageResult QtMessageSink::show(const Message& message) {
  QWidget* owner = nullptr;
  if (message.owner == MessageOwner::kWindow) {
    // The opaque owner is always a QWidget when the GUI names one.
    owner = static_cast<QWidget*>(const_cast<void*>(message.owner_window));
  } else if (message.owner == MessageOwner::kActiveWindow) {
    owner = QApplication::activeModalWidget();
    if (!owner) owner = QApplication::activeWindow();
  }
  QMessageBox box(qt_icon(message.icon), QString::fromStdString(message.caption),
                  QString::fromStdString(message.text), qt_buttons(message.buttons), owner);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MessageResult::kYes;
    case QMessageBox::No:
      return MessageResult::kNo;
    case QMessageBox::Cancel:
      return MessageResult::kCancel;
    default:
      break;
  }
  // Esc on a Yes/No box counts as No.
  return message.buttons == MessageButtons::kYesNo ? MessageResult::kNo : MessageResult::kOk;
}

void show_engine_status(const Status& status) {
  if (status.has_message()) show_message(status_message(status));
}

}  // namespace lexora
