#include "dictd/command_line.h"

namespace lexora::dictd {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}
bool is_control(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (u < 0x20 && c != '\t') || u == 0x7F;
}

}  // namespace

std::optional<std::vector<std::string>> split_command(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && is_blank(line[i])) ++i;
    if (i >= line.size()) break;
    std::string word;
    char quote_char = 0;
    for (; i < line.size(); ++i) {
      const char c = line[i];
      if (is_control(c)) return std::nullopt;
      if (c == '\\') {
        if (++i >= line.size() || is_control(line[i])) return std::nullopt;
        word += line[i];
      } else if (quote_char != 0) {
        if (c == quote_char)
          quote_char = 0;
        else
          word += c;
      } else if (c == '"' || c == '\'') {
        quote_char = c;
      } else if (is_blank(c)) {
        break;
      } else {
        word += c;
      }
    }
    if (quote_char != 0) return std::nullopt;
    words.push_back(std::move(word));
  }
  return words;
}

std::string quote(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace lexora::dictd
