// How lexora-cli commands report failures: every failure says on stderr what
// failed and on which file ("Error: ..." through platform/messages, with the
// program's own texts where it has one), and the command exits 1.
#ifndef LEXORA_CLI_CLI_ERRORS_H_
#define LEXORA_CLI_CLI_ERRORS_H_

#include <string>
#include <string_view>

namespace lexora {
class Dictionary;
class Status;
}  // namespace lexora

namespace lexora::cli {

// Shows "Error: `text`" and returns kExitNotFound.
int report_error(std::string_view text);

// Why `path` cannot be read as a file ("no such file", "not a regular
// file", the system's reason), or "" when nothing is wrong with it as a file.
std::string file_problem(const std::string& path);

// The one way lexora-cli tells of an engine status: its message as
// "Caption: text" on stderr ("Error: Integrity error"); nothing for a status
// without a message. The listener of every dictionary a command opens.
void report_status(const Status& status);

// Opens `path` with report_status listening; on failure shows "Can't open
// file PATH" with the reason (after the engine's own message, if it has one)
// and returns false.
bool open_dictionary_or_report(Dictionary& dict, const std::string& path);

// What stops pack entry `name` of the dictionary's pack from being read: no
// pack, no such entry, or an entry that cannot be read (damaged, cut short,
// or larger than the cap for its use).
std::string pack_entry_problem(const Dictionary& dict, const std::string& name);

// Flushes stdout; false (after "Error: cannot write the output: REASON")
// when any write to it failed. main() calls it before exiting, commands
// that write a lot call it to stop early.
bool output_written();

// The largest line read from stdin ("find -", "article -"): a longer line
// is refused, so an endless input costs no more memory than this.
inline constexpr std::size_t kMaxStdinLine = std::size_t{1} << 20;  // 1 MiB

// Reads one line of stdin into *line (without its "\n" or "\r\n"). False at
// the end of the input, or (after an error message) for a line longer than
// kMaxStdinLine or a failed read; *failed tells the two apart. Flushes
// std::cout before it waits for input, so that answers to the lines read so
// far are out before more input is awaited. Reads stdin's descriptor itself:
// do not mix with reads through std::cin.
bool read_stdin_line(std::string* line, bool* failed);

}  // namespace lexora::cli

#endif  // LEXORA_CLI_CLI_ERRORS_H_
