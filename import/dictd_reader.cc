#include "import/dictd_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "compiler/block_compressor.h"
#include "import/character_use.h"
#include "import/dictd_text.h"
#include "import/languages.h"
#include "import/large_table.h"
#include "import/mapped_file.h"
#include "import/markup_pieces.h"
#include "import/ordered_runs.h"

namespace lexora::import {
namespace {

constexpr std::string_view kMetaPrefix = "00-database-";
constexpr std::string_view kMetaPrefixShort = "00database";
// Index entries made into articles at a time (progress is reported after
// each run).
constexpr std::size_t kEntriesPerBatch = 2048;

// 16 bytes an entry: the index of a large database is held while its text
// is read, next to the growing article text.
struct IndexEntry {
  std::uint64_t offset;
  std::uint32_t length;
  std::uint32_t word_at;  // in IndexEntries::words, each headword ending in a 0 byte
};

// Every entry of the index, headwords back to back in one buffer.
struct IndexEntries {
  LargeString words;
  LargeVector<IndexEntry> entries;
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

// Where and why a part of the index could not be read (line counted from
// the part's start).
struct IndexFault {
  std::uint64_t line = 0;
  std::string message;
};

// The lines of `text` (whole lines of an index) into *out, with room made
// for the entries of `room` bytes of lines (the lines that will follow
// then need none); false with *fault set at the first bad line. *lines:
// the lines read.
bool parse_index_lines(std::string_view text, std::size_t room, std::uint64_t text_size,
                       IndexEntries* out, std::uint64_t* lines, IndexFault* fault) {
  const auto failed = [&](std::string message) {
    *fault = IndexFault{*lines, std::move(message)};
    return false;
  };
  // The shortest line ("a<TAB>A<TAB>A") has six bytes: room reserved for
  // that many entries is never copied while growing, and pages not used are
  // never touched.
  out->entries.reserve(room / 6 + 1);
  out->words.reserve(room);
  std::uint64_t& line = *lines;
  for (std::size_t at = 0; at < text.size();) {
    ++line;
    const std::size_t newline = text.find('\n', at);
    std::string_view entry =
        text.substr(at, newline == std::string_view::npos ? newline : newline - at);
    at = newline == std::string_view::npos ? text.size() : newline + 1;
    while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r')) entry.remove_suffix(1);
    if (entry.empty()) continue;
    const std::size_t tab1 = entry.find('\t');
    const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : entry.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos)
      return failed("expected a headword, an offset and a length");
    const std::size_t tab3 = entry.find('\t', tab2 + 1);
    std::string_view word = entry.substr(0, tab1);
    // A fourth field, when present, is the headword as written (the first
    // is then folded for searching).
    if (tab3 != std::string_view::npos && tab3 + 1 < entry.size()) word = entry.substr(tab3 + 1);
    std::uint64_t offset = 0, length = 0;
    if (!decode_dictd_number(entry.substr(tab1 + 1, tab2 - tab1 - 1), &offset) ||
        !decode_dictd_number(
            entry.substr(tab2 + 1,
                         tab3 == std::string_view::npos ? std::string_view::npos : tab3 - tab2 - 1),
            &length))
      return failed("the offset or length is not a dictd number");
    if (offset > text_size || length > text_size - offset)
      return failed("the entry lies beyond the end of the text (" + std::to_string(text_size) +
                    " bytes)");
    if (length > UINT32_MAX || out->words.size() + word.size() >= UINT32_MAX ||
        word.find('\0') != std::string_view::npos)
      return failed("the entry is too large or holds a 0 byte");
    out->entries.push_back(IndexEntry{offset, static_cast<std::uint32_t>(length),
                                      static_cast<std::uint32_t>(out->words.size())});
    out->words.append(word).push_back('\0');
  }
  return true;
}

// An index of fewer entries than this is sorted on one thread.
constexpr std::size_t kEntriesForTwoThreads = 16 * 1024;
// An index smaller than this is read on one thread.
constexpr std::size_t kIndexSizeForTwoThreads = 256 * 1024;

bool read_index(const std::string& path, std::uint64_t text_size, IndexEntries* out,
                ImportError* error) {
  std::string message;
  const std::unique_ptr<MappedFile> file = MappedFile::open(path, &message);
  if (!file) return fail(error, path, 0, 0, "cannot open the index: " + message);
  const std::string_view all(reinterpret_cast<const char*>(file->bytes().data()),
                             file->bytes().size());
  // A large index is read in two halves at once, split after a line end;
  // the second half's entries then follow the first's.
  std::size_t split = all.size();
  if (all.size() >= kIndexSizeForTwoThreads && compiler::BlockCompressor::default_threads() > 1) {
    const std::size_t newline = all.find('\n', all.size() / 2);
    if (newline != std::string_view::npos) split = newline + 1;
  }
  IndexEntries second;
  std::uint64_t second_lines = 0;
  IndexFault second_fault;
  bool second_ok = true;
  std::thread reader;
  if (split < all.size())
    reader = std::thread([&] {
      second_ok = parse_index_lines(all.substr(split), all.size() - split, text_size, &second,
                                    &second_lines, &second_fault);
    });
  std::uint64_t lines = 0;
  IndexFault fault;
  const bool first_ok =
      parse_index_lines(all.substr(0, split), all.size(), text_size, out, &lines, &fault);
  if (reader.joinable()) reader.join();
  // The first bad line of the file is the one reported.
  if (!first_ok) return fail(error, path, fault.line, 0, fault.message);
  if (!second_ok) return fail(error, path, lines + second_fault.line, 0, second_fault.message);
  if (second.entries.empty()) return true;
  if (out->words.size() + second.words.size() >= UINT32_MAX)
    return fail(error, path, lines + 1, 0, "the entry is too large or holds a 0 byte");
  const auto shift = static_cast<std::uint32_t>(out->words.size());
  out->words.append(second.words);
  for (IndexEntry& e : second.entries) e.word_at += shift;
  out->entries.insert(out->entries.end(), second.entries.begin(), second.entries.end());
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

// Articles made from a run of the index, ready for the sink. Their text
// lies in one buffer: the thread that makes them allocates nothing that the
// sink's thread frees (which would make the two contend for the allocator).
struct ArticleBatch {
  struct Article {
    std::size_t markup_at, markup_size;
    std::size_t first_headword, headword_count;  // in `headwords`
    SourceSpan span;
  };
  std::string text;
  std::vector<std::pair<std::size_t, std::size_t>> headwords;  // offset, size in `text`
  std::vector<Article> articles;
  bool failed = false;  // the text could not be read: at failed_at, why in message
  std::uint64_t failed_at = 0;
  std::string message;

  std::string_view at(std::size_t offset, std::size_t size) const {
    return std::string_view(text).substr(offset, size);
  }
  void clear() {
    text.clear();
    headwords.clear();
    articles.clear();
    failed = false;
    message.clear();
  }
};

// File order, so that the text is read front to back; entries of one text
// keep their index order (their words lie in index order, so the place of
// the word settles ties, and the unstable sort needs no buffer). A large
// index is sorted in two halves at once, then merged.
void sort_by_place(LargeVector<IndexEntry>* entries) {
  const auto before = [](const IndexEntry& a, const IndexEntry& b) {
    if (a.offset != b.offset) return a.offset < b.offset;
    return a.length != b.length ? a.length < b.length : a.word_at < b.word_at;
  };
  if (entries->size() < kEntriesForTwoThreads || compiler::BlockCompressor::default_threads() < 2) {
    std::sort(entries->begin(), entries->end(), before);
    return;
  }
  const auto mid = entries->begin() + static_cast<std::ptrdiff_t>(entries->size() / 2);
  std::thread second([&] { std::sort(mid, entries->end(), before); });
  std::sort(entries->begin(), mid, before);
  second.join();
  LargeVector<IndexEntry> merged(entries->size());
  std::merge(entries->begin(), mid, mid, entries->end(), merged.begin(), before);
  entries->swap(merged);
}

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
  // The articles of entries [from, to), whole texts, read through `text`,
  // into *batch; safe on other threads while the sink is fed.
  void prepare(const IndexEntries& index, std::size_t from, std::size_t to, DictdText& text,
               ArticleBatch* batch) const;

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
    std::string_view title = trim_dictd_blanks(text);
    if (starts_with(title, kMetaPrefix) || starts_with(title, kMetaPrefixShort))
      title = trim_dictd_blanks(title.substr(std::min(title.size(), title.find('\n'))));
    title = title.substr(0, title.find('\n'));
    std::string owned(trim_dictd_blanks(title));
    dictd_text_to_utf8(utf8_, &owned);
    sink_->set_title(owned);
    titled = true;
  }
  if (!titled) sink_->set_title(files_.name);
  return true;
}

bool same_text(const IndexEntry& a, const IndexEntry& b) {
  return a.offset == b.offset && a.length == b.length;
}

void DictdImport::prepare(const IndexEntries& index, std::size_t from, std::size_t to,
                          DictdText& source, ArticleBatch* batch) const {
  std::string text;
  std::vector<std::string> headwords;
  const LargeVector<IndexEntry>& entries = index.entries;
  for (std::size_t i = from; i < to;) {
    std::size_t end = i + 1;
    while (end < to && same_text(entries[end], entries[i])) ++end;
    headwords.clear();
    for (std::size_t k = i; k < end; ++k) {
      const std::string_view word = index.word(entries[k]);
      if (!meta_name(word).empty()) continue;
      headwords.emplace_back(word);
      dictd_text_to_utf8(utf8_, &headwords.back());
    }
    if (!headwords.empty()) {
      const SourceSpan span{entries[i].offset, entries[i].length};
      if (!source.text(span, &text, &batch->message)) {
        batch->failed = true;
        batch->failed_at = span.offset;
        return;
      }
      put_own_headword_first(trim_dictd_blanks(text), &headwords);
      ArticleBatch::Article a{batch->text.size(), 0, batch->headwords.size(), headwords.size(),
                              span};
      append_dictd_article_markup(text, &batch->text);
      a.markup_size = batch->text.size() - a.markup_at;
      for (const std::string& h : headwords) {
        batch->headwords.emplace_back(batch->text.size(), h.size());
        batch->text.append(h);
      }
      batch->articles.push_back(a);
    }
    i = end;
  }
}

bool DictdImport::read_articles(IndexEntries* index) {
  LargeVector<IndexEntry>& entries = index->entries;
  sort_by_place(&entries);
  text_->set_utf8(utf8_);
  sink_->set_article_source(text_);
  sink_->expect(entries.size(), entries.size(), index->words.size());
  // Runs of the index, whole texts each, are made into articles on worker
  // threads, each reading the text through a reader of its own, while this
  // one hands the runs before to the sink.
  std::vector<std::size_t> starts;
  for (std::size_t from = 0; from < entries.size();) {
    starts.push_back(from);
    std::size_t to = std::min(from + kEntriesPerBatch, entries.size());
    while (to < entries.size() && same_text(entries[to], entries[to - 1])) ++to;
    from = to;
  }
  starts.push_back(entries.size());
  const unsigned threads = compiler::BlockCompressor::default_threads();
  std::vector<std::unique_ptr<DictdText>> readers;
  for (unsigned w = 1; w < threads; ++w) readers.push_back(text_->reopen());
  OrderedRuns<ArticleBatch> batches(
      threads, starts.size() - 1, [&](unsigned worker, std::size_t run, ArticleBatch* batch) {
        // A reader that could not be opened again leaves the shared one,
        // which serialises its reads.
        DictdText* reader = worker == 0 ? nullptr : readers[worker - 1].get();
        prepare(*index, starts[run], starts[run + 1], reader != nullptr ? *reader : *text_, batch);
      });
  std::vector<std::string_view> headwords;
  std::vector<SourcedArticle> articles;
  for (std::size_t run = 0; const ArticleBatch* ready = batches.next(); ++run) {
    if (ready->failed) return fail(error_, files_.dict, 0, ready->failed_at, ready->message);
    headwords.clear();
    for (const auto& [at, size] : ready->headwords) headwords.push_back(ready->at(at, size));
    articles.clear();
    for (const ArticleBatch::Article& a : ready->articles)
      articles.push_back(SourcedArticle{
          std::span<const std::string_view>(headwords).subspan(a.first_headword, a.headword_count),
          ready->at(a.markup_at, a.markup_size), a.span});
    sink_->add_sourced_preformatted_articles(articles);
    const std::size_t done = starts[run + 1];
    if (done < entries.size() && !sink_->progress(entries[done - 1].offset, text_->size()))
      return fail(error_, files_.index, 0, 0, "cancelled");
  }
  sink_->progress(text_->size(), text_->size());
  return true;
}

bool DictdImport::run() {
  std::string message;
  std::uint64_t offset = 0;
  if (!text_->open(&message, &offset)) return fail(error_, files_.dict, 0, offset, message);
  IndexEntries index;
  if (!read_index(files_.index, text_->size(), &index, error_)) return false;
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
  append_dictd_markup(text, &out);
  return out;
}

void append_dictd_markup(std::string_view text, std::string* out) {
  out->reserve(out->size() + text.size() + text.size() / 8);
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
    append_escaped(text.substr(plain, i - plain), out);
    const std::string_view word = text.substr(i + 1, close - i - 1);
    if (fits_reference_tag(word)) {
      // The article markup's own link tag: the same link in fewer bytes.
      out->append("<r>").append(word).append("</r>");
    } else {
      std::string shown;
      append_escaped(word, &shown);
      append_word_link(word, shown, out);
    }
    i = plain = close + 1;
  }
  append_escaped(text.substr(plain), out);
}

bool read_dictd_dictionary(const std::string& path, ImportSink* sink, ImportError* error) {
  DictdImport import(files_of(path), sink, error);
  return import.run();
}

}  // namespace lexora::import
