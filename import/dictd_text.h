// The text of a dictd database (NAME.dict or NAME.dict.dz), read at random:
// the articles' text while the index is read, and their markup again when
// the dictionary is written (an ArticleSource), so that the conversion need
// not hold the articles meanwhile.
#ifndef LEXORA_IMPORT_DICTD_TEXT_H_
#define LEXORA_IMPORT_DICTD_TEXT_H_

#include <mutex>
#include <string>
#include <string_view>

#include "import/dictzip_file.h"
#include "import/import_sink.h"

namespace lexora::import {

// `text` without leading and trailing blanks (space, tab, line ends).
std::string_view trim_dictd_blanks(std::string_view text);

// Text of a database as UTF-8: with `utf8` (the database says so) made
// well-formed; otherwise kept when it is well-formed UTF-8 anyway
// (databases often omit the utf8 entry), else read as Windows-1252. Either
// way the result is what make_valid_utf8 leaves: no 0 byte remains.
void dictd_text_to_utf8(bool utf8, std::string* text);

// An article's markup from its text (UTF-8), appended to *out: the same on
// reading the database and on reading it again for writing.
void append_dictd_article_markup(std::string_view text, std::string* out);

// The writing order (sorted headwords) follows the text's order closely, so
// the file's cache of some chunks inflates most chunks once more, not more
// (GCIDE: 838 inflations of its 686 chunks). Safe to use from several
// threads, which then take turns; threads that read much each use a reader
// of their own (reopen()), which inflates the chunks it needs for itself.
class DictdText final : public ArticleSource {
 public:
  explicit DictdText(std::string path) : path_(std::move(path)) {}

  // Opens the file, as DictzipFile::open. Before any other call.
  bool open(std::string* error, std::uint64_t* error_offset) {
    return dict_.open(path_, error, error_offset);
  }
  std::uint64_t size() const { return dict_.size(); }
  void set_utf8(bool utf8);

  // The raw text of `span` (the entry's bytes as the file holds them). The
  // index was checked against the text's size, so a failure (*error set) is
  // damage in the text itself, or a file cut since.
  bool raw(SourceSpan span, std::string* text, std::string* error);
  // The text of `span` as UTF-8 (dictd_text_to_utf8).
  bool text(SourceSpan span, std::string* text, std::string* error);
  bool markup(SourceSpan span, std::string* markup, std::string* error) override;
  std::string file() const override { return path_; }
  // The text is made valid UTF-8 before its markup is made, and the markup
  // adds only ASCII.
  bool gives_valid_utf8() const override { return true; }
  // A reader of its own over the same file; none for a gzip file without
  // a chunk table (each reader would hold its whole text).
  std::unique_ptr<ArticleSource> another() const override;
  // The same, as a DictdText.
  std::unique_ptr<DictdText> reopen() const;

 private:
  const std::string path_;
  mutable std::mutex mutex_;  // guards what follows
  DictzipFile dict_;
  bool utf8_ = false;
  std::string text_;
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_DICTD_TEXT_H_
