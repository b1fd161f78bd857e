// Splitting a DICT command line into its words. Words are separated by
// blanks or tabs; a word may be quoted with '"' or '\'', and a backslash
// takes the next character literally, inside quotes and out ("\"" and "\\").
// Quoted parts and plain text may abut: "a"b is the word ab.
#ifndef LEXORA_DICTD_COMMAND_LINE_H_
#define LEXORA_DICTD_COMMAND_LINE_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lexora::dictd {

// The words of `line` (no line end), or nothing when a quote is left open,
// the line ends in a lone backslash, or it holds a control character other
// than a tab (such a line is no command).
std::optional<std::vector<std::string>> split_command(std::string_view line);

// `text` quoted for a reply: inside '"', with '"' and '\' escaped by '\'.
std::string quote(std::string_view text);

}  // namespace lexora::dictd

#endif  // LEXORA_DICTD_COMMAND_LINE_H_
