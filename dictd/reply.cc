#include "dictd/reply.h"

#include <charconv>

namespace lexora::dictd {
namespace {

// Room for a line's text: CR LF and a stuffed '.' must still fit.
constexpr std::size_t kMaxTextBytes = kMaxLineBytes - 3;

bool is_continuation_byte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

void append_line(std::string* out, std::string_view line) {
  while (true) {
    std::size_t cut = line.size();
    if (cut > kMaxTextBytes) {
      cut = kMaxTextBytes;
      while (cut > 0 && is_continuation_byte(line[cut])) --cut;
      if (cut == 0) cut = kMaxTextBytes;  // not UTF-8: cut anywhere
    }
    if (!line.empty() && line.front() == '.') *out += '.';
    out->append(line.substr(0, cut));
    *out += "\r\n";
    line.remove_prefix(cut);
    if (line.empty()) return;
  }
}

}  // namespace

void append_status(std::string* out, int code, std::string_view text) {
  char digits[8];
  const auto result = std::to_chars(digits, digits + sizeof digits, code);
  out->append(digits, result.ptr);
  *out += ' ';
  out->append(text);
  *out += "\r\n";
}

void append_text_block(std::string* out, std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    append_line(out, text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
  *out += ".\r\n";
}

}  // namespace lexora::dictd
