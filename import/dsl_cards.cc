#include "import/dsl_cards.h"

#include "import/markup_pieces.h"

namespace lexora::import {
namespace {

bool is_indent(char c) {
  return c == ' ' || c == '\t';
}

// The value of a header line: the text after the keyword, without quotes.
std::string header_value(std::string_view line, std::size_t keyword_length) {
  std::string_view value = trim_blanks(line.substr(keyword_length));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(trim_blanks(value));
}

}  // namespace

DslCardReader::DslCardReader(std::string_view text) : text_(text) {
  read_header();
}

std::string_view DslCardReader::peek_line(std::size_t* next) const {
  std::size_t end = text_.find('\n', pos_);
  *next = end == std::string_view::npos ? text_.size() : end + 1;
  if (end == std::string_view::npos) end = text_.size();
  std::string_view line = text_.substr(pos_, end - pos_);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

void DslCardReader::read_header() {
  struct Keyword {
    std::string_view text;
    std::string* value;
  };
  const Keyword keywords[] = {{"#NAME", &header_.name},
                              {"#INDEX_LANGUAGE", &header_.index_language},
                              {"#CONTENTS_LANGUAGE", &header_.contents_language}};
  while (pos_ < text_.size()) {
    std::size_t next;
    const std::string_view line = peek_line(&next);
    if (!trim_blanks(line).empty() && line[0] != '#') return;
    for (const Keyword& k : keywords) {
      if (line.starts_with(k.text) &&
          (line.size() == k.text.size() || is_indent(line[k.text.size()]))) {
        *k.value = header_value(line, k.text.size());
      }
    }
    if (line.starts_with("#INCLUDE")) ++header_.include_lines;
    pos_ = next;
    ++line_;
  }
}

bool DslCardReader::next(DslCard* card) {
  card->headwords.clear();
  card->body.clear();
  bool after_empty_line = false;
  while (pos_ < text_.size()) {
    std::size_t next;
    const std::string_view line = peek_line(&next);
    if (line.empty()) {
      after_empty_line = !card->headwords.empty();
    } else if (is_indent(line[0])) {
      // Body lines after an empty line still belong to the card: some
      // sources space their articles out so.
      if (card->headwords.empty()) {
        if (!trim_blanks(line).empty()) ++orphans_;
      } else {
        std::size_t start = 0;
        while (start < line.size() && is_indent(line[start])) ++start;
        card->body.push_back(line.substr(start));
      }
    } else {
      if (!card->body.empty() || after_empty_line) return true;  // the next card's headword
      if (card->headwords.empty()) card->line = line_ + 1;
      card->headwords.push_back(line);
    }
    pos_ = next;
    ++line_;
  }
  return !card->headwords.empty();
}

}  // namespace lexora::import
