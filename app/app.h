// The program's entry: the command line, the single-instance decision, the
// main window and the event loop.
#ifndef LEXORA_APP_APP_H_
#define LEXORA_APP_APP_H_

#include <QString>
#include <QStringList>

namespace lexora {

struct CommandLine {
  QString path;                   // the dictionary to open; empty for none
  bool clipboard_switch = false;  // started with "-c"
};

// Reads the arguments after the program name. A leading "-c" sets the
// clipboard switch; what follows it (in the same argument or the next ones)
// is the dictionary path. Arguments of a path with blanks that came
// unquoted are joined with single blanks.
CommandLine parse_command_line(const QStringList& arguments);

enum class StartAction {
  kRun,               // this process creates its main window
  kHandOver,          // bring the found window forward (and maybe hand over); end
  kCloseOtherAndRun,  // close the running instance (waited for), then run
};

// The single-instance decision. `has_path`: the command line names a
// dictionary. `window_found`: a running window was found (matching the
// title when a path was given, any window of the class otherwise).
StartAction decide_start(bool allow_multiple, bool has_path, bool window_found);

// The dictionary a ".lnk" shortcut file names; any other path (or a file
// that is no shortcut of ours) comes back unchanged.
QString follow_link_file(const QString& path);

// Runs the program; returns the process exit code.
int run_program(int argc, char** argv);

}  // namespace lexora

#endif  // LEXORA_APP_APP_H_
