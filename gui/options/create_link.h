// "Create Link...": a shortcut that starts the program on the open
// dictionary, as a ".lnk" text or a freedesktop ".desktop" launcher,
// chosen by the browser's type line.
#ifndef LEXORA_GUI_OPTIONS_CREATE_LINK_H_
#define LEXORA_GUI_OPTIONS_CREATE_LINK_H_

#include <QString>

#include "gui/options/options_context.h"

class QWidget;

namespace lexora {

// The browser's type lines: the shortcut text, then the launcher.
inline constexpr char kLauncherTypeLine[] = "Desktop launchers (*.desktop)";
// The icon name the launcher asks the desktop's theme for.
inline constexpr char kLauncherIcon[] = "lexora";

// The desktop's applications folder ($XDG_DATA_HOME/applications), created
// when missing.
QString applications_folder();

// Writes the shortcut for `dictionary_path` (empty when none is open) to
// `file` as its extension says; false after showing "File creation error"
// when it cannot be written.
bool write_link_file(const QString& file, const QString& program_path,
                     const QString& dictionary_path, QWidget* owner);

// The whole command: browser, then write_link_file. False on Cancel or error.
bool create_link(QWidget* owner, const ChooseFile& choose_file, const QString& program_path,
                 const QString& dictionary_path);

}  // namespace lexora

#endif  // LEXORA_GUI_OPTIONS_CREATE_LINK_H_
