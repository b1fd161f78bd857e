// What a format reader hands to the conversion: articles with their
// headwords, abbreviations and media files, in the order the source holds
// them. Each reader (StarDict, dictd, DSL, XDXF) parses its files and calls
// the sink; the sink merges duplicates, chooses code pages, sorts and writes
// the `.zd` and `.zpak`. Readers never write files themselves.
//
// All text is UTF-8. Article text is already in the article markup the
// renderer reads (HTML plus <t>, <r>, <abr>, <wav>; see render/markup.h).
#ifndef LEXORA_IMPORT_IMPORT_SINK_H_
#define LEXORA_IMPORT_IMPORT_SINK_H_

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lexora::import {

// Why a reader dropped part of its source; counted in the import statistics.
struct SkipReason {
  std::string reason;  // short, stable text such as "empty headword"
};

// Where and why a source could not be read: shown to the user as the file,
// the place in it (line for text formats, byte offset for binary ones; 0 when
// it does not apply) and the message.
struct ImportError {
  std::string file;
  std::uint64_t line = 0;
  std::uint64_t offset = 0;
  std::string message;
};

// The block that keeps a preformatted article's line breaks and spaces.
inline constexpr std::string_view kPreformattedOpen = "<div style=\"white-space:pre-wrap\">";
inline constexpr std::string_view kPreformattedClose = "</div>";

// Where an article's text lies in its source: what a reader needs to make
// the article's markup again (an offset and length into its text file).
struct SourceSpan {
  std::uint64_t offset = 0;
  std::uint32_t length = 0;
};

// A preformatted article whose markup its source can make again (see
// ImportSink::add_sourced_preformatted_article); views into the reader's
// buffers.
struct SourcedArticle {
  std::span<const std::string_view> headwords;
  std::string_view markup;
  SourceSpan span;
};

// Makes articles' markup again from their place in the source, when the
// dictionary is written. A reader whose source can be read at random
// cheaply (dictd's text, a dictzip file) hands one to the sink, so that the
// conversion need not hold every article while it reads the rest.
class ArticleSource {
 public:
  virtual ~ArticleSource() = default;
  // Replaces *markup with the markup the reader gave for `span` when it
  // read the source. False with *error set (naming the file and the place)
  // when the source can no longer be read there. A source changed since it
  // was read may give other markup; the caller checks for that.
  virtual bool markup(SourceSpan span, std::string* markup, std::string* error) = 0;
  // The file the spans lie in, for messages.
  virtual std::string file() const = 0;
  // True when markup() always gives well-formed UTF-8 without 0 bytes (as
  // make_valid_utf8 leaves it), so that the caller need not check it again.
  virtual bool gives_valid_utf8() const { return false; }
  // Another reader of the same source, for another thread (each reader is
  // used from one thread at a time); null when the source cannot give one
  // cheaply, and then this one serves every thread in turn.
  virtual std::unique_ptr<ArticleSource> another() const { return nullptr; }
};

class ImportSink {
 public:
  virtual ~ImportSink() = default;

  // One article. `headwords` holds at least one non-empty headword: the first
  // is the article's own, the rest are alternative forms (synonyms, DSL
  // headword groups) that must find the same article.
  virtual void add_article(std::vector<std::string> headwords, std::string markup) = 0;

  // An article of plain text laid out by its lines and spaces (dictd): shown
  // with its line breaks and indentation kept and long lines wrapped.
  // `markup` is escaped like any other article. The conversion stores the
  // layout once per article instead of in every text.
  virtual void add_preformatted_article(std::vector<std::string> headwords, std::string markup) {
    add_article(std::move(headwords),
                std::string(kPreformattedOpen) + markup + std::string(kPreformattedClose));
  }

  // About how many articles and headwords (and bytes of headword text) are
  // coming, when the reader knows before it adds them: room the sink may
  // reserve at once instead of growing step by step. Never a limit.
  virtual void expect(std::size_t /*articles*/, std::size_t /*headwords*/,
                      std::size_t /*headword_bytes*/) {}

  // Called once, before the first add_sourced_preformatted_article, with
  // the source that makes those articles again; the sink keeps it until it
  // has written the dictionary, the reader while it reads. A sink that
  // holds every article ignores it.
  virtual void set_article_source(std::shared_ptr<ArticleSource> /*source*/) {}
  // A preformatted article that the source set above makes again from
  // `span`: the sink may keep only the span and a checksum of `markup`,
  // which is what the source gives for `span` now. The views need only
  // live for the call (a reader hands many articles out of one buffer).
  virtual void add_sourced_preformatted_article(std::span<const std::string_view> headwords,
                                                std::string_view markup, SourceSpan /*span*/) {
    add_preformatted_article(std::vector<std::string>(headwords.begin(), headwords.end()),
                             std::string(markup));
  }
  // Many such articles at once, in source order, as one call each would
  // add them; a sink may work on several together (the conversion looks
  // up the headwords of later ones ahead).
  virtual void add_sourced_preformatted_articles(std::span<const SourcedArticle> articles) {
    for (const SourcedArticle& a : articles)
      add_sourced_preformatted_article(a.headwords, a.markup, a.span);
  }

  // An extra headword that leads to the article of `target` (StarDict .syn).
  virtual void add_synonym(std::string headword, std::string target) = 0;

  // An abbreviation and its expansion, for the abbreviation box.
  virtual void add_abbreviation(std::string key, std::string expansion) = 0;

  // A picture, sound or other file the articles refer to by `name` (the name
  // as written in the markup; "/" becomes the pack's "\").
  virtual void add_media(std::string name, std::vector<std::uint8_t> bytes) = 0;

  // Part of the source left out, with the reason (counted, not fatal).
  virtual void skip(const SkipReason& why) = 0;

  // The source's languages where it names them (ISO 639 codes or names such
  // as "English"); empty when it does not say.
  virtual void set_languages(const std::string& from, const std::string& to) = 0;

  // The source's title and description, for the dictionary's information.
  virtual void set_title(const std::string& title) = 0;

  // Progress of the reading, 0..total in the reader's own units (bytes read);
  // returns false when the user cancelled, and the reader then stops.
  virtual bool progress(std::uint64_t done, std::uint64_t total) = 0;
};

// Every format reader has this shape (import/<format>_reader.h):
//   bool read_<format>_dictionary(const std::string& path, ImportSink* sink,
//                                 ImportError* error);
// `path` is the file the user chose (the .ifo, .index, .dsl[.dz], .xdxf); the
// reader finds the companion files beside it. False with *error set when the
// source cannot be read; what the sink received until then is discarded by
// the caller.

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_IMPORT_SINK_H_
