#include "gui/options/create_link.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <string>

#include "model/shortcut_link.h"
#include "platform/messages.h"
#include "resources/string_table.h"

namespace lexora {

QString applications_folder() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
  QDir().mkpath(folder);
  return folder;
}

bool write_link_file(const QString& file, const QString& program_path,
                     const QString& dictionary_path, QWidget* owner) {
  const std::string program = program_path.toStdString();
  const std::string dictionary = dictionary_path.toStdString();
  const bool launcher = file.endsWith(QStringLiteral(".desktop"), Qt::CaseInsensitive);
  const std::string text = launcher ? desktop_entry_text(program, dictionary, kLauncherIcon)
                                    : link_text(program, dictionary);
  // Written whole or not at all: an old shortcut of the same name survives a
  // failed write.
  QSaveFile out(file);
  bool written =
      out.open(QIODevice::WriteOnly) &&
      out.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
  if (written && launcher) {
    // Desktops start only launchers they may execute.
    out.setPermissions(out.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
  }
  written = written && out.commit();
  if (!written) {
    Message message;
    message.text = string_text(str::kFileCreationError);
    message.caption = string_text(str::kError);
    message.icon = MessageIcon::kError;
    message.owner = MessageOwner::kWindow;
    message.owner_window = owner;
    show_message(message);
  }
  return written;
}

bool create_link(QWidget* owner, const ChooseFile& choose_file, const QString& program_path,
                 const QString& dictionary_path) {
  const QString types = QString::fromUtf8(string_text(str::kLinksFilter)) + u'\n' +
                        QString::fromUtf8(kLauncherTypeLine);
  const QString file = choose_file(owner, applications_folder(), types, true);
  if (file.isEmpty()) return false;
  return write_link_file(file, program_path, dictionary_path, owner);
}

}  // namespace lexora
