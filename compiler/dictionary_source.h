// The plain-text source of a dictionary (see compiler/README.md): UTF-8,
// one entry per line as "headword<TAB>article", continuation lines that
// start with a tab, "@abbrev" lines and "@option value" lines that set the
// header options.
#ifndef LEXORA_COMPILER_DICTIONARY_SOURCE_H_
#define LEXORA_COMPILER_DICTIONARY_SOURCE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/dictionary_writer.h"

namespace lexora::compiler {

// Source options that are not header fields.
struct SourceSettings {
  // "@article_entities yes": characters the articles' code page cannot hold
  // are written as HTML character references (&#331;) instead of "?".
  bool article_entities = false;
};

// Parses `text` into `source` (entries and abbreviations are appended) and
// sets the options the text names in `options` and `settings` (optional).
// False with *error naming the line on a malformed line or option.
bool parse_dictionary_source(std::string_view text, DictionarySource* source,
                             DictionaryOptions* options, std::string* error,
                             SourceSettings* settings = nullptr);
bool read_dictionary_source(const std::string& path, DictionarySource* source,
                            DictionaryOptions* options, std::string* error,
                            SourceSettings* settings = nullptr);

// Replaces, in every article, each character that `code_page` cannot hold by
// its HTML character reference. Headwords and abbreviations are unchanged.
void escape_unmappable_articles(DictionarySource* source, std::uint32_t code_page);

// Parses the flags of "@flags" and of the command line: a number (decimal or
// 0x hex) or names separated by commas, blanks or "|": "locale_collation",
// "checksum", "no_auto_format".
std::optional<std::uint32_t> parse_flags(std::string_view text);
// A decimal or 0x-prefixed hexadecimal number that fits 32 bits.
std::optional<std::uint32_t> parse_number(std::string_view text);

}  // namespace lexora::compiler

#endif  // LEXORA_COMPILER_DICTIONARY_SOURCE_H_
