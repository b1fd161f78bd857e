// Which characters a text uses, and the smallest Windows code page that holds
// them all without loss.
#ifndef LEXORA_IMPORT_CHARACTER_USE_H_
#define LEXORA_IMPORT_CHARACTER_USE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace lexora::import {

class CharacterUse {
 public:
  CharacterUse();

  // Counts the characters of `text`, which must be valid UTF-8 (see
  // make_valid_utf8).
  void add(std::string_view text);

  // The code page for text holding exactly the characters counted so far:
  // a single-byte Windows page when one holds every character (`preferred`
  // first, then 1252, 1251, 1250, 1253 to 1258, 874), else a double-byte
  // page (932, 936, 949, 950) that holds every character when it makes the
  // text smaller than UTF-8, else 65001 (UTF-8). A page "holds" a character
  // when the character converts to it and back unchanged.
  std::uint32_t smallest_code_page(std::uint32_t preferred) const;

  // Bytes the counted text takes in UTF-8.
  std::uint64_t utf8_size() const;

 private:
  bool holds_all(std::uint32_t code_page) const;

  std::uint64_t ascii_ = 0;
  std::uint64_t astral_ = 0;  // characters beyond U+FFFF (UTF-8 4 bytes, no DBCS page has them)
  // Count of each character U+0080..U+FFFF.
  std::unique_ptr<std::uint32_t[]> counts_;
};

// Replaces every ill-formed UTF-8 sequence of *text by U+FFFD and every 0
// byte by U+FFFD (a ".zd" string cannot hold one); true when it changed.
bool make_valid_utf8(std::string* text);
// True when make_valid_utf8 would leave `text` as it is.
bool is_valid_utf8(std::string_view text);

// The index of the first byte at or after `from` that is not an ASCII
// character other than 0 (so a 0 byte or a byte of 0x80 and above), or
// text.size() when there is none.
std::size_t end_of_ascii(std::string_view text, std::size_t from);

// Decodes the UTF-8 character at text[*i] (valid UTF-8 assumed) and moves *i
// past it.
char32_t next_code_point(std::string_view text, std::size_t* i);

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_CHARACTER_USE_H_
