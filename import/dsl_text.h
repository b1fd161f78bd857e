// The text layer of DSL sources: byte order marks and encodings, comments,
// escapes and the parts of a headword line.
#ifndef LEXORA_IMPORT_DSL_TEXT_H_
#define LEXORA_IMPORT_DSL_TEXT_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lexora::import {

// The source bytes as UTF-8. A byte order mark says UTF-16LE, UTF-16BE or
// UTF-8; without one, text with NUL bytes in every other position is taken as
// UTF-16 of the matching order, valid UTF-8 as UTF-8, and anything else as
// the 8-bit code page that its "#SOURCE_CODE_PAGE" line names (Windows-1252
// when it names none). Unpaired surrogates become U+FFFD. Never fails.
std::string decode_dsl_bytes(std::span<const std::uint8_t> bytes);

// Removes every {{comment}} from `text` in place; a comment may span lines,
// and its line ends go with it. "\{" does not open a comment. An opening
// "{{" without a closing "}}" is left as text (dropping the rest of the
// source would lose articles).
void strip_dsl_comments(std::string* text);

// The length of the escape or character at text[pos]: 2 for "\x" (more when
// x is a multi-byte character), else the length of the UTF-8 character.
std::size_t dsl_char_length(std::string_view text, std::size_t pos);

// Text without escapes, tags and braces: "\[" is "[", "[b]" is dropped,
// `tilde` replaces an unescaped "~". For abbreviations and link targets.
std::string dsl_plain_text(std::string_view text, std::string_view tilde);

// A tag at text[pos] ("[b]", "[/c]", "[c red]", "[m2]", "[']", "[!trs]"):
// a name of letters, digits, '!', '*', '\'', '-' or '_' after an optional '/', then
// optional attributes after a blank, then ']' on the same line.
struct DslTag {
  std::string_view name;
  std::string_view attributes;
  bool closing = false;
  std::size_t length = 0;  // of the whole tag, brackets included
};
bool parse_dsl_tag(std::string_view text, std::size_t pos, DslTag* tag);

// A headword line. `display` is the headword as shown: escapes resolved,
// {unsorted} parts kept without their braces, (optional) parts kept with
// their parentheses, tags dropped, blanks collapsed. `keys` are the forms a
// lookup finds: without the unsorted parts, with every combination of the
// optional parts (all of them first; at most kMaxOptionalParts are expanded,
// further ones are always kept), duplicates and empty forms left out.
struct DslHeadword {
  std::string display;
  std::vector<std::string> keys;
};
inline constexpr int kMaxOptionalParts = 4;
DslHeadword parse_dsl_headword(std::string_view line);

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_DSL_TEXT_H_
