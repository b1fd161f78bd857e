// Splitting DSL text into its header and cards.
//
// The header is the run of lines starting with '#' (and blank lines) before
// the first card. A card is one or more headword lines (text at column 0)
// followed by body lines (starting with a tab or a space); a headword line
// after body lines or after an empty line starts the next card. Empty lines
// between body lines do not end the card. Body lines before any headword
// belong to no card and are counted.
#ifndef LEXORA_IMPORT_DSL_CARDS_H_
#define LEXORA_IMPORT_DSL_CARDS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lexora::import {

struct DslHeader {
  std::string name;               // #NAME
  std::string index_language;     // #INDEX_LANGUAGE
  std::string contents_language;  // #CONTENTS_LANGUAGE
  int include_lines = 0;          // #INCLUDE lines (not followed)
};

struct DslCard {
  std::vector<std::string_view> headwords;  // the headword lines as written
  std::vector<std::string_view> body;       // body lines without their indent
  std::uint64_t line = 0;                   // line number (from 1) of the first headword
};

class DslCardReader {
 public:
  // Reads the header at once. `text` must outlive the reader and its cards.
  explicit DslCardReader(std::string_view text);

  const DslHeader& header() const { return header_; }
  // The next card into *card; false when the text is used up.
  bool next(DslCard* card);
  // Bytes of the text consumed so far, and the current line number.
  std::size_t position() const { return pos_; }
  std::uint64_t line() const { return line_; }
  std::uint64_t orphan_body_lines() const { return orphans_; }

 private:
  // The line at the current position (without its line end), not consumed.
  std::string_view peek_line(std::size_t* next) const;
  void read_header();

  std::string_view text_;
  std::size_t pos_ = 0;
  std::uint64_t line_ = 0;  // lines consumed
  std::uint64_t orphans_ = 0;
  DslHeader header_;
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_DSL_CARDS_H_
