#include "model/shortcut_link.h"

namespace lexora {
namespace {

constexpr std::string_view kLinkPrefix = "11#\"";
constexpr std::string_view kLinkSeparator = "\" ";

// A value of type localestring holds no line ends; keep a name on one line.
std::string one_line(std::string_view text) {
  std::string out;
  for (char c : text) out += (c == '\n' || c == '\r') ? ' ' : c;
  return out;
}

std::string file_title(std::string_view path) {
  const auto slash = path.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const auto dot = name.find_last_of('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return name.empty() ? std::string("Lexora") : one_line(name);
}

}  // namespace

std::string link_text(std::string_view program, std::string_view dictionary) {
  std::string text(kLinkPrefix);
  text += program;
  text += kLinkSeparator;
  text += dictionary;
  return text;
}

std::optional<std::string> link_dictionary(std::string_view text) {
  if (!text.starts_with(kLinkPrefix)) return std::nullopt;
  text.remove_prefix(kLinkPrefix.size());
  const auto separator = text.find(kLinkSeparator);
  if (separator == std::string_view::npos) return std::nullopt;
  text.remove_prefix(separator + kLinkSeparator.size());
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  return std::string(text);
}

std::string desktop_exec_argument(std::string_view argument) {
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  std::string value;
  for (char c : quoted) {
    if (c == '\\') {
      value += "\\\\";
    } else if (c == '%') {
      value += "%%";
    } else {
      value += c;
    }
  }
  return value;
}

std::string desktop_entry_text(std::string_view program, std::string_view dictionary,
                               std::string_view icon) {
  std::string text = "[Desktop Entry]\nType=Application\nName=";
  text += file_title(dictionary);
  text += "\nComment=Lexora dictionary\nExec=";
  text += desktop_exec_argument(program);
  if (!dictionary.empty()) {
    text += ' ';
    text += desktop_exec_argument(dictionary);
  }
  text += "\nIcon=";
  text += icon;
  text += "\nTerminal=false\nCategories=Office;Dictionary;\n";
  return text;
}

}  // namespace lexora
