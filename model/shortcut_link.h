// Shortcut files that start the program on a dictionary: the one-line ".lnk"
// text the handheld's shell reads, and a freedesktop ".desktop" launcher,
// which is what the desktop's application menu reads here.
#ifndef LEXORA_MODEL_SHORTCUT_LINK_H_
#define LEXORA_MODEL_SHORTCUT_LINK_H_

#include <optional>
#include <string>
#include <string_view>

namespace lexora {

// `11#"<program>" <dictionary>`, no line end. The leading count is always 11,
// whatever the length of the command. `dictionary` may be empty.
std::string link_text(std::string_view program, std::string_view dictionary);

// The dictionary path of a ".lnk" text written by link_text (also with a
// trailing line end); nothing when the text has another form.
std::optional<std::string> link_dictionary(std::string_view text);

// One argument of an Exec line, quoted by the Desktop Entry rules: inside
// double quotes, `"`, `` ` ``, `$` and `\` are escaped with a backslash,
// then every backslash is doubled for the string value, and "%" is "%%".
std::string desktop_exec_argument(std::string_view argument);

// A launcher: Name from the dictionary's file name (without its extension),
// Exec the program and the dictionary, Icon, Type, Categories.
std::string desktop_entry_text(std::string_view program, std::string_view dictionary,
                               std::string_view icon);

}  // namespace lexora

#endif  // LEXORA_MODEL_SHORTCUT_LINK_H_
