#include "import/dsl_text.h"

#include <algorithm>
#include <array>

#include "import/markup_pieces.h"
#include "platform/nls.h"
#include "platform/utf.h"

namespace lexora::import {
namespace {

// UTF-16 units converted at a time (at least 2, so that a piece that gives
// back its last unit still makes progress).
constexpr std::size_t kUtf16Piece = std::size_t{1} << 16;
constexpr std::uint32_t kDefaultCodePage = 1252;
// How much of a source without a byte order mark is sampled to guess UTF-16.
constexpr std::size_t kSniffBytes = 4096;
constexpr std::string_view kCodePageHeader = "#SOURCE_CODE_PAGE";
constexpr std::size_t kHeaderSearchBytes = 1 << 16;

struct CodePageName {
  std::string_view name;
  std::uint32_t code_page;
};
constexpr std::array<CodePageName, 9> kCodePageNames = {{
    {"Latin", 1252},
    {"Cyrillic", 1251},
    {"EasternEuropean", 1250},
    {"Greek", 1253},
    {"Turkish", 1254},
    {"Hebrew", 1255},
    {"Arabic", 1256},
    {"Baltic", 1257},
    {"Vietnamese", 1258},
}};

// Converted a piece at a time, so that no source is too large for the
// conversion and no second copy of a whole source is held.
std::string decode_utf16(std::span<const std::uint8_t> bytes, bool big_endian) {
  std::string out;
  out.reserve(bytes.size() / 2 * 3 / 2);
  const std::size_t units = bytes.size() / 2;
  std::u16string piece;
  for (std::size_t at = 0; at < units;) {
    std::size_t n = std::min(kUtf16Piece, units - at);
    piece.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint8_t first = bytes[2 * (at + k)], second = bytes[2 * (at + k) + 1];
      piece[k] = big_endian ? static_cast<char16_t>((first << 8) | second)
                            : static_cast<char16_t>(first | (second << 8));
    }
    // A surrogate pair is never cut between two pieces (a piece that ends
    // the text keeps its lone high surrogate, which becomes U+FFFD).
    if (at + n < units && piece.back() >= 0xD800 && piece.back() <= 0xDBFF) piece.resize(--n);
    out += utf16_to_utf8(piece);
    at += n;
  }
  return out;
}

std::size_t utf8_sequence_length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;  // a stray continuation byte stands alone
}

bool is_valid_utf8(std::span<const std::uint8_t> bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = utf8_sequence_length(lead);
    if (length == 1 || lead == 0xC0 || lead == 0xC1 || lead > 0xF4) return false;
    if (i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((bytes[i + k] & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

std::uint32_t declared_code_page(std::span<const std::uint8_t> bytes) {
  const std::string_view head(reinterpret_cast<const char*>(bytes.data()),
                              std::min(bytes.size(), kHeaderSearchBytes));
  const std::size_t at = head.find(kCodePageHeader);
  if (at == std::string_view::npos) return kDefaultCodePage;
  std::string_view rest = head.substr(at + kCodePageHeader.size());
  rest = rest.substr(0, rest.find_first_of("\r\n"));
  std::string value;
  for (char c : rest) {
    if (c != '"' && c != ' ' && c != '\t') value.push_back(c);
  }
  for (const CodePageName& entry : kCodePageNames) {
    if (value == entry.name) return entry.code_page;
  }
  return kDefaultCodePage;
}

// Without a byte order mark: mostly NUL high bytes means UTF-16.
int guess_utf16_order(std::span<const std::uint8_t> bytes) {
  const std::size_t n = std::min(bytes.size(), kSniffBytes) & ~std::size_t{1};
  if (n < 4) return 0;
  std::size_t even_zeros = 0, odd_zeros = 0;
  for (std::size_t i = 0; i < n; i += 2) {
    if (bytes[i] == 0) ++even_zeros;
    if (bytes[i + 1] == 0) ++odd_zeros;
  }
  const std::size_t pairs = n / 2;
  if (odd_zeros * 5 > pairs * 2 && even_zeros * 10 < pairs) return 1;   // little-endian
  if (even_zeros * 5 > pairs * 2 && odd_zeros * 10 < pairs) return -1;  // big-endian
  return 0;
}

bool is_tag_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '!' ||
         c == '*' || c == '\'' || c == '-' || c == '_';
}

}  // namespace

std::string decode_dsl_bytes(std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    return decode_utf16(bytes.subspan(2), false);
  }
  if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    return decode_utf16(bytes.subspan(2), true);
  }
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    bytes = bytes.subspan(3);
  } else if (const int order = guess_utf16_order(bytes); order != 0) {
    return decode_utf16(bytes, order < 0);
  }
  if (is_valid_utf8(bytes)) {
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::u16string wide;
  if (!to_wide(raw, declared_code_page(bytes), &wide)) to_wide(raw, kDefaultCodePage, &wide);
  return utf16_to_utf8(wide);
}

void strip_dsl_comments(std::string* text) {
  std::string& s = *text;
  std::size_t read = 0, write = 0;
  while (read < s.size()) {
    if (s[read] == '\\' && read + 1 < s.size()) {
      s[write++] = s[read++];
      s[write++] = s[read++];
      continue;
    }
    if (s[read] == '{' && read + 1 < s.size() && s[read + 1] == '{') {
      const std::size_t close = s.find("}}", read + 2);
      if (close != std::string::npos) {
        read = close + 2;
        continue;
      }
    }
    s[write++] = s[read++];
  }
  s.resize(write);
}

std::size_t dsl_char_length(std::string_view text, std::size_t pos) {
  std::size_t length = 0;
  if (text[pos] == '\\' && pos + 1 < text.size()) {
    length = 1 + utf8_sequence_length(static_cast<unsigned char>(text[pos + 1]));
  } else {
    length = utf8_sequence_length(static_cast<unsigned char>(text[pos]));
  }
  return std::min(length, text.size() - pos);
}

bool parse_dsl_tag(std::string_view text, std::size_t pos, DslTag* tag) {
  if (pos >= text.size() || text[pos] != '[') return false;
  std::size_t i = pos + 1;
  tag->closing = i < text.size() && text[i] == '/';
  if (tag->closing) ++i;
  const std::size_t name_start = i;
  while (i < text.size() && is_tag_name_char(text[i])) ++i;
  if (i == name_start || i >= text.size()) return false;
  tag->name = text.substr(name_start, i - name_start);
  tag->attributes = {};
  if (text[i] == ' ' || text[i] == '\t') {
    const std::size_t close = text.find_first_of("[]\r\n", i);
    if (close == std::string_view::npos || text[close] != ']') return false;
    tag->attributes = trim_blanks(text.substr(i, close - i));
    i = close;
  }
  if (text[i] != ']') return false;
  tag->length = i + 1 - pos;
  return true;
}

std::string dsl_plain_text(std::string_view text, std::string_view tilde) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    DslTag tag;
    if (c == '\\') {
      const std::size_t length = dsl_char_length(text, i);
      out.append(text.substr(i + 1, length - 1));
      i += length;
    } else if (c == '[' && parse_dsl_tag(text, i, &tag)) {
      i += tag.length;
    } else if (c == '{' || c == '}') {
      ++i;
    } else if (c == '~') {
      out.append(tilde);
      ++i;
    } else {
      out.push_back(c);
      ++i;
    }
  }
  return collapse_blanks(out);
}

DslHeadword parse_dsl_headword(std::string_view line) {
  struct Piece {
    std::string text;
    int optional = -1;  // index of the optional part, -1 for the fixed text
  };
  std::vector<Piece> pieces(1);
  std::string display;
  int unsorted_depth = 0;
  int optional_count = 0;
  bool in_optional = false;
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    DslTag tag;
    std::string_view literal;
    if (c == '\\') {
      const std::size_t length = dsl_char_length(line, i);
      literal = line.substr(i + 1, length - 1);
      i += length;
    } else if (c == '[' && parse_dsl_tag(line, i, &tag)) {
      i += tag.length;
      continue;
    } else if (c == '{') {
      ++unsorted_depth;
      ++i;
      continue;
    } else if (c == '}') {
      if (unsorted_depth > 0) --unsorted_depth;
      ++i;
      continue;
    } else if (c == '(' && !in_optional && unsorted_depth == 0 &&
               line.find(')', i + 1) != std::string_view::npos) {
      in_optional = true;
      pieces.push_back(Piece{"", optional_count++});
      display.push_back('(');
      ++i;
      continue;
    } else if (c == ')' && in_optional) {
      in_optional = false;
      pieces.push_back(Piece{});
      display.push_back(')');
      ++i;
      continue;
    } else {
      const std::size_t length = dsl_char_length(line, i);
      literal = line.substr(i, length);
      i += length;
    }
    display.append(literal);
    if (unsorted_depth == 0) pieces.back().text.append(literal);
  }

  DslHeadword result;
  result.display = collapse_blanks(display);
  const int expanded = std::min(optional_count, kMaxOptionalParts);
  for (int mask = (1 << expanded) - 1; mask >= 0; --mask) {
    std::string key;
    for (const Piece& piece : pieces) {
      if (piece.optional < 0 || piece.optional >= expanded || ((mask >> piece.optional) & 1)) {
        key.append(piece.text);
      }
    }
    key = collapse_blanks(key);
    if (!key.empty() &&
        std::find(result.keys.begin(), result.keys.end(), key) == result.keys.end()) {
      result.keys.push_back(std::move(key));
    }
  }
  return result;
}

}  // namespace lexora::import
