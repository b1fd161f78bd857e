// MIME pieces for the text blocks sent after OPTION MIME.
#ifndef LEXORA_DICTD_MIME_H_
#define LEXORA_DICTD_MIME_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace lexora::dictd {

// Header and the empty line before a plain UTF-8 text.
inline constexpr std::string_view kPlainTextMimeHeader =
    "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: 8bit\n\n";

// A multipart/alternative body holding `text` (UTF-8 plain text) and,
// unless `html` is empty, the HTML page in base64 (76 characters a line, so
// no line of the block grows too long). `tag` goes into the boundary.
std::string multipart_alternative(std::string_view text, std::string_view html, std::uint32_t tag);

// Standard base64 of `bytes`, broken into lines of `line_length` characters
// by '\n'.
std::string base64_lines(std::string_view bytes, std::size_t line_length);

}  // namespace lexora::dictd

#endif  // LEXORA_DICTD_MIME_H_
