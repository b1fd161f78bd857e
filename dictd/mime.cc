#include "dictd/mime.h"

namespace lexora::dictd {
namespace {

constexpr char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kBase64LineLength = 76;

}  // namespace

std::string base64_lines(std::string_view bytes, std::size_t line_length) {
  std::string out;
  out.reserve(bytes.size() * 4 / 3 + bytes.size() / 50 + 8);
  std::size_t column = 0;
  auto put = [&](char c) {
    if (line_length != 0 && column == line_length) {
      out += '\n';
      column = 0;
    }
    out += c;
    ++column;
  };
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const std::uint32_t v = (static_cast<std::uint8_t>(bytes[i]) << 16) |
                            (static_cast<std::uint8_t>(bytes[i + 1]) << 8) |
                            static_cast<std::uint8_t>(bytes[i + 2]);
    put(kBase64Digits[v >> 18]);
    put(kBase64Digits[(v >> 12) & 63]);
    put(kBase64Digits[(v >> 6) & 63]);
    put(kBase64Digits[v & 63]);
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    std::uint32_t v = static_cast<std::uint8_t>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<std::uint8_t>(bytes[i + 1]) << 8;
    put(kBase64Digits[v >> 18]);
    put(kBase64Digits[(v >> 12) & 63]);
    put(rest == 2 ? kBase64Digits[(v >> 6) & 63] : '=');
    put('=');
  }
  return out;
}

std::string multipart_alternative(std::string_view text, std::string_view html, std::uint32_t tag) {
  // "=_" cannot occur in base64, and the plain text's lines begin with the
  // headword or the indent.
  const std::string boundary = "=_lexora_" + std::to_string(tag);
  std::string out = "Content-Type: multipart/alternative; boundary=\"" + boundary + "\"\n\n";
  out += "--" + boundary + "\n";
  out += kPlainTextMimeHeader;
  out += text;
  out += "\n";
  if (!html.empty()) {
    out += "--" + boundary + "\n";
    out += "Content-Type: text/html; charset=utf-8\nContent-Transfer-Encoding: base64\n\n";
    out += base64_lines(html, kBase64LineLength);
    out += "\n";
  }
  out += "--" + boundary + "--\n";
  return out;
}

}  // namespace lexora::dictd
