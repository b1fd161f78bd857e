#include "import/text_encoder.h"

#include "import/character_use.h"
#include "platform/nls.h"
#include "platform/utf.h"

namespace lexora::import {
namespace {

constexpr std::uint16_t kNotAsked = 0;
constexpr std::uint16_t kMissing = 1;
constexpr std::uint16_t kByteBias = 2;

void append_reference(char32_t c, std::string* out) {
  out->append("&#").append(std::to_string(static_cast<std::uint32_t>(c))).push_back(';');
}

}  // namespace

TextEncoder::TextEncoder(std::uint32_t code_page) : code_page_(code_page) {
  if (code_page == kCodePageUtf8) return;
  std::string probe;
  // A page is single-byte when "é"-like Latin text and Cyrillic both come out
  // one byte per character or as "?".
  single_byte_ = to_multibyte(u"\u00E9\u0436", code_page, &probe) && probe.size() == 2;
  if (single_byte_) table_.reset(new std::uint16_t[0x10000]());
}

TextEncoder::~TextEncoder() = default;

bool TextEncoder::append(std::string_view text, bool references, std::string* out) {
  if (code_page_ == kCodePageUtf8) {
    out->append(text);
    return true;
  }
  if (!single_byte_) return append_converted(text, references, out);
  std::size_t i = 0;
  std::u16string one(1, u' ');
  while (i < text.size()) {
    const std::size_t plain = end_of_ascii(text, i);
    out->append(text.data() + i, plain - i);
    i = plain;
    if (i == text.size()) break;
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out->push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    const char32_t c = next_code_point(text, &i);
    std::uint16_t entry = c < 0x10000 ? table_[c] : kMissing;
    if (entry == kNotAsked) {
      one[0] = static_cast<char16_t>(c);
      std::u16string back;
      entry = to_multibyte(one, code_page_, &bytes_) && bytes_.size() == 1 &&
                      to_wide(bytes_, code_page_, &back) && back == one
                  ? static_cast<std::uint16_t>(static_cast<unsigned char>(bytes_[0]) + kByteBias)
                  : kMissing;
      table_[c] = entry;
    }
    if (entry != kMissing) {
      out->push_back(static_cast<char>(entry - kByteBias));
    } else if (references) {
      append_reference(c, out);
    } else {
      return false;
    }
  }
  return true;
}

bool TextEncoder::append_converted(std::string_view text, bool references, std::string* out) {
  wide_ = utf8_to_utf16(text);
  std::u16string back;
  if (to_multibyte(wide_, code_page_, &bytes_) && to_wide(bytes_, code_page_, &back) &&
      back == wide_) {
    out->append(bytes_);
    return true;
  }
  if (!references) return false;
  // Character by character, so that only the missing ones become references.
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t start = i;
    const char32_t c = next_code_point(text, &i);
    const std::u16string one = utf8_to_utf16(text.substr(start, i - start));
    if (to_multibyte(one, code_page_, &bytes_) && to_wide(bytes_, code_page_, &back) && back == one)
      out->append(bytes_);
    else
      append_reference(c, out);
  }
  return true;
}

}  // namespace lexora::import
