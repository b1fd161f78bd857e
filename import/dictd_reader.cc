#include "import/dictd_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "import/character_use.h"
#include "import/dictzip_file.h"
#include "import/languages.h"
#include "import/markup_pieces.h"

namespace lexora::import {
namespace {

constexpr std::string_view kMetaPrefix = "00-database-";
constexpr std::string_view kMetaPrefixShort = "00database";
// Progress is reported about every this many articles.
constexpr std::size_t kProgressStep = 2048;

// 16 bytes an entry: the index of a large database is held while its text
// is read, next to the growing article text.
struct IndexEntry {
  std::uint64_t offset;
  std::uint32_t length;
  std::uint32_t word_at;  // in IndexEntries::words, each headword ending in a 0 byte
};

// Every entry of the index, headwords back to back in one buffer.
struct IndexEntries {
  std::string words;
  std::vector<IndexEntry> entries;
  std::string_view word(const IndexEntry& e) const {
    return std::string_view(words.data() + e.word_at);
  }
};

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The name of the metadata entry ("short", "utf8", ...), or "" for an article.
std::string_view meta_name(std::string_view headword) {
  if (starts_with(headword, kMetaPrefix)) return headword.substr(kMetaPrefix.size());
  if (starts_with(headword, kMetaPrefixShort)) return headword.substr(kMetaPrefixShort.size());
  return {};
}

std::string_view trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// 8-bit text as Windows-1252, the Latin-1 superset that 8-bit databases use
// in practice (curly quotes at 0x91-0x94); its five unassigned bytes are
// read as the Latin-1 control characters.
std::string windows1252_to_utf8(std::string_view text) {
  static constexpr char16_t k80[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    const char32_t c = b >= 0x80 && b < 0xA0 ? k80[b - 0x80] : b;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// Text of an 8-bit database: kept when it is well-formed UTF-8 anyway
// (databases often omit the utf8 entry), else read as Windows-1252.
void to_utf8(bool utf8, std::string* text) {
  if (utf8) {
    make_valid_utf8(text);
    return;
  }
  if (!is_valid_utf8(*text)) *text = windows1252_to_utf8(*text);
}

struct Files {
  std::string index;
  std::string dict;
  std::string name;  // the database name: the file name without extensions
};

Files files_of(const std::string& path) {
  std::string base = path;
  for (const char* suffix : {".index", ".dict.dz", ".dict", ".dz"}) {
    const std::string s = suffix;
    if (base.size() > s.size() && base.compare(base.size() - s.size(), s.size(), s) == 0) {
      base.resize(base.size() - s.size());
      break;
    }
  }
  Files f;
  f.index = base + ".index";
  f.dict = std::filesystem::exists(base + ".dict.dz") ? base + ".dict.dz" : base + ".dict";
  f.name = std::filesystem::path(base).filename().string();
  return f;
}

bool fail(ImportError* error, const std::string& file, std::uint64_t line, std::uint64_t offset,
          std::string message) {
  *error = ImportError{file, line, offset, std::move(message)};
  return false;
}

bool read_index(const std::string& path, std::uint64_t text_size, IndexEntries* out,
                ImportError* error) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) return fail(error, path, 0, 0, "cannot open the index");
  // The shortest line ("a<TAB>A<TAB>A") has six bytes: room reserved for
  // that many entries is never copied while growing, and pages not used are
  // never touched.
  std::error_code ec;
  const std::uintmax_t file_size = std::filesystem::file_size(path, ec);
  if (!ec) {
    out->entries.reserve(static_cast<std::size_t>(file_size / 6 + 1));
    out->words.reserve(static_cast<std::size_t>(file_size));
  }
  // getline allocates (and grows) the buffer, even for an empty file, where
  // it returns -1 at once: freed however the reading ends.
  struct LineBuffer {
    char* data = nullptr;
    ~LineBuffer() { std::free(data); }
  } buffer;
  std::size_t capacity = 0;
  std::uint64_t line = 0;
  ssize_t n;
  while ((n = ::getline(&buffer.data, &capacity, file.get())) >= 0) {
    ++line;
    std::string_view text(buffer.data, static_cast<std::size_t>(n));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    if (text.empty()) continue;
    const std::size_t tab1 = text.find('\t');
    const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : text.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos)
      return fail(error, path, line, 0, "expected a headword, an offset and a length");
    const std::size_t tab3 = text.find('\t', tab2 + 1);
    std::string_view word = text.substr(0, tab1);
    // A fourth field, when present, is the headword as written (the first
    // is then folded for searching).
    if (tab3 != std::string_view::npos && tab3 + 1 < text.size()) word = text.substr(tab3 + 1);
    std::uint64_t offset = 0, length = 0;
    if (!decode_dictd_number(text.substr(tab1 + 1, tab2 - tab1 - 1), &offset) ||
        !decode_dictd_number(
            text.substr(tab2 + 1,
                        tab3 == std::string_view::npos ? std::string_view::npos : tab3 - tab2 - 1),
            &length))
      return fail(error, path, line, 0, "the offset or length is not a dictd number");
    if (offset > text_size || length > text_size - offset)
      return fail(
          error, path, line, 0,
          "the entry lies beyond the end of the text (" + std::to_string(text_size) + " bytes)");
    if (length > UINT32_MAX || out->words.size() + word.size() >= UINT32_MAX ||
        word.find('\0') != std::string_view::npos)
      return fail(error, path, line, 0, "the entry is too large or holds a 0 byte");
    out->entries.push_back(IndexEntry{offset, static_cast<std::uint32_t>(length),
                                      static_cast<std::uint32_t>(out->words.size())});
    out->words.append(word).push_back('\0');
  }
  if (std::ferror(file.get())) return fail(error, path, line, 0, "cannot read the index");
  return true;
}

// The database's language pair from a name such as "freedict-eng-rus".
void report_languages(const std::string& name, ImportSink* sink) {
  const std::size_t last = name.rfind('-');
  if (last == std::string::npos || last == 0) return;
  const std::size_t before = name.rfind('-', last - 1);
  const std::string from = name.substr(before == std::string::npos ? 0 : before + 1,
                                       last - (before == std::string::npos ? 0 : before + 1));
  const std::string to = name.substr(last + 1);
  if (locale_for_language(from) != 0 && locale_for_language(to) != 0) sink->set_languages(from, to);
}

// True when `word` can stand in <r>...</r>, whose text is both the link's
// target and what it shows: nothing to escape, no line break, not a link
// of another kind.
bool fits_reference_tag(std::string_view word) {
  if (word.substr(0, 2) == "!@" || word.substr(0, 2) == "!%" || word.find("://") != word.npos)
    return false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    const char c = word[k];
    if (c == '"' || c == '<' || c == '>' || c == '&' || c == '\n' || c == '\r' || c == '\t' ||
        (c == ' ' && (k == 0 || k + 1 == word.size() || word[k + 1] == ' ')))
      return false;
  }
  return true;
}

bool same_ignoring_ascii_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// A text that several headwords share begins with the line of the one it
// defines ("Cat o' nine tails \Cat" o' nine" tails`\, ..."); that headword
// becomes the article's own, the others its alternative forms.
void put_own_headword_first(std::string_view text, std::vector<std::string>* headwords) {
  std::size_t best = 0, best_size = 0;
  for (std::size_t k = 0; k < headwords->size(); ++k) {
    const std::string& h = (*headwords)[k];
    if (h.size() <= best_size || h.size() > text.size() ||
        !same_ignoring_ascii_case(text.substr(0, h.size()), h))
      continue;
    const char next = h.size() < text.size() ? text[h.size()] : ' ';
    if (std::isalnum(static_cast<unsigned char>(next))) continue;
    best = k;
    best_size = h.size();
  }
  if (best != 0)
    std::rotate(headwords->begin(), headwords->begin() + best, headwords->begin() + best + 1);
}

// An article's markup from its text (UTF-8): the same on reading the
// database and on reading it again for writing.
std::string article_markup(std::string_view text) {
  return dictd_markup(trim(text));
}

// The database's text, read at random: the articles' text while the index
// is read, and their markup again when the dictionary is written. The
// writing order (sorted headwords) follows the text's order closely, so a
// cache of some chunks inflates most chunks once more, not more (GCIDE: 838
// inflations of its 686 chunks).
class DictdText final : public ArticleSource {
 public:
  explicit DictdText(std::string path) : path_(std::move(path)) {}
  DictzipFile& dict() { return dict_; }
  void set_utf8(bool utf8) { utf8_ = utf8; }

  // The raw text of `span` (the entry's bytes as the file holds them). The
  // index was checked against the text's size, so a failure (*error set) is
  // damage in the text itself, or a file cut since.
  bool raw(SourceSpan span, std::string* text, std::string* error) {
    return dict_.read(span.offset, span.length, text, error);
  }
  // The text of `span` as UTF-8.
  bool text(SourceSpan span, std::string* text, std::string* error) {
    if (!raw(span, text, error)) return false;
    to_utf8(utf8_, text);
    return true;
  }
  bool markup(SourceSpan span, std::string* markup, std::string* error) override {
    if (!text(span, &text_, error)) {
      *error = path_ + ": offset " + std::to_string(span.offset) + ": " + *error;
      return false;
    }
    *markup = article_markup(text_);
    return true;
  }
  std::string file() const override { return path_; }

 private:
  std::string path_;
  DictzipFile dict_;
  bool utf8_ = false;
  std::string text_;
};

class DictdImport {
 public:
  DictdImport(Files files, ImportSink* sink, ImportError* error)
      : files_(std::move(files)),
        sink_(sink),
        error_(error),
        text_(std::make_shared<DictdText>(files_.dict)) {}
  bool run();

 private:
  bool read_text(const IndexEntry& e, std::string* text);
  bool read_metadata(const IndexEntries& index);
  bool read_articles(IndexEntries* index);

  Files files_;
  ImportSink* sink_;
  ImportError* error_;
  std::shared_ptr<DictdText> text_;
  bool utf8_ = false;
};

bool DictdImport::read_text(const IndexEntry& e, std::string* text) {
  std::string message;
  if (text_->raw(SourceSpan{e.offset, e.length}, text, &message)) return true;
  return fail(error_, files_.dict, 0, e.offset, message);
}

bool DictdImport::read_metadata(const IndexEntries& index) {
  std::string text;
  bool titled = false;
  for (const IndexEntry& e : index.entries) {
    const std::string_view name = meta_name(index.word(e));
    if (name.empty()) continue;
    sink_->skip(SkipReason{"database information entry"});
    if (name == "utf8") utf8_ = true;
    if (name != "short" || titled) continue;
    if (!read_text(e, &text)) return false;
    std::string_view title = trim(text);
    if (starts_with(title, kMetaPrefix) || starts_with(title, kMetaPrefixShort))
      title = trim(title.substr(std::min(title.size(), title.find('\n'))));
    title = title.substr(0, title.find('\n'));
    std::string owned(trim(title));
    to_utf8(utf8_, &owned);
    sink_->set_title(owned);
    titled = true;
  }
  if (!titled) sink_->set_title(files_.name);
  return true;
}

bool DictdImport::read_articles(IndexEntries* index) {
  std::vector<IndexEntry>& entries = index->entries;
  // File order, so that the text is read front to back; entries of one text
  // keep their index order.
  std::stable_sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
    return a.offset != b.offset ? a.offset < b.offset : a.length < b.length;
  });
  text_->set_utf8(utf8_);
  sink_->set_article_source(text_);
  sink_->expect(entries.size(), entries.size(), index->words.size());
  std::string text, message;
  std::size_t articles = 0;
  for (std::size_t i = 0; i < entries.size();) {
    std::size_t end = i + 1;
    while (end < entries.size() && entries[end].offset == entries[i].offset &&
           entries[end].length == entries[i].length)
      ++end;
    std::vector<std::string> headwords;
    for (std::size_t k = i; k < end; ++k) {
      const std::string_view word = index->word(entries[k]);
      if (!meta_name(word).empty()) continue;
      headwords.emplace_back(word);
      to_utf8(utf8_, &headwords.back());
    }
    if (!headwords.empty()) {
      const SourceSpan span{entries[i].offset, entries[i].length};
      if (!text_->text(span, &text, &message))
        return fail(error_, files_.dict, 0, span.offset, message);
      put_own_headword_first(trim(text), &headwords);
      sink_->add_sourced_preformatted_article(std::move(headwords), article_markup(text), span);
      if (++articles % kProgressStep == 0 &&
          !sink_->progress(entries[i].offset, text_->dict().size()))
        return fail(error_, files_.index, 0, 0, "cancelled");
    }
    i = end;
  }
  sink_->progress(text_->dict().size(), text_->dict().size());
  return true;
}

bool DictdImport::run() {
  std::string message;
  std::uint64_t offset = 0;
  if (!text_->dict().open(files_.dict, &message, &offset))
    return fail(error_, files_.dict, 0, offset, message);
  IndexEntries index;
  if (!read_index(files_.index, text_->dict().size(), &index, error_)) return false;
  if (index.entries.empty()) return fail(error_, files_.index, 0, 0, "the index holds no entries");
  report_languages(files_.name, sink_);
  return read_metadata(index) && read_articles(&index);
}

}  // namespace

bool decode_dictd_number(std::string_view digits, std::uint64_t* value) {
  if (digits.empty()) return false;
  std::uint64_t v = 0;
  for (char c : digits) {
    int d;
    if (c >= 'A' && c <= 'Z')
      d = c - 'A';
    else if (c >= 'a' && c <= 'z')
      d = c - 'a' + 26;
    else if (c >= '0' && c <= '9')
      d = c - '0' + 52;
    else if (c == '+')
      d = 62;
    else if (c == '/')
      d = 63;
    else
      return false;
    if (v > (std::uint64_t{1} << 57)) return false;
    v = v * 64 + static_cast<std::uint64_t>(d);
  }
  *value = v;
  return true;
}

std::string dictd_markup(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  std::size_t plain = 0;
  std::size_t i = 0;
  while ((i = text.find('{', i)) != std::string_view::npos) {
    const std::size_t close = text.find('}', i + 1);
    const std::size_t reopen = text.find('{', i + 1);
    if (close == std::string_view::npos) break;
    if (reopen < close || close == i + 1) {
      ++i;
      continue;
    }
    append_escaped(text.substr(plain, i - plain), &out);
    const std::string_view word = text.substr(i + 1, close - i - 1);
    if (fits_reference_tag(word)) {
      // The article markup's own link tag: the same link in fewer bytes.
      out.append("<r>").append(word).append("</r>");
    } else {
      std::string shown;
      append_escaped(word, &shown);
      append_word_link(word, shown, &out);
    }
    i = plain = close + 1;
  }
  append_escaped(text.substr(plain), &out);
  return out;
}

bool read_dictd_dictionary(const std::string& path, ImportSink* sink, ImportError* error) {
  DictdImport import(files_of(path), sink, error);
  return import.run();
}

}  // namespace lexora::import
