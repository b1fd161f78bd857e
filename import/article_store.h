// The article texts of an import, held compressed: texts are appended to an
// open chunk of about 1 MiB, and each full chunk is compressed (raw deflate,
// fastest level; dictionary text shrinks to about a third). Reading a text back
// inflates its chunk into a small cache of recent chunks, which serves the
// writer well because sources come roughly in alphabetical order, as the
// dictionary is written. Should the reads jump around so much that chunks
// are inflated again and again, every chunk is inflated once for good (the
// memory of holding the texts plainly, never more).
//
// A text that its reader can make again from the source (ArticleSource) is
// not held at all: only its place in the source, its size and a checksum,
// which tell on reading it back whether the source still gives the same.
#ifndef LEXORA_IMPORT_ARTICLE_STORE_H_
#define LEXORA_IMPORT_ARTICLE_STORE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "import/import_sink.h"
#include "import/large_table.h"

namespace lexora::import {

class ArticleStore {
 public:
  ArticleStore();
  ~ArticleStore();
  ArticleStore(const ArticleStore&) = delete;
  ArticleStore& operator=(const ArticleStore&) = delete;

  std::size_t size() const { return spans_.size(); }
  // Appends a text and returns its number; kNoArticle (all ones) when the
  // text or the store is too large for 32-bit sizes.
  std::uint32_t add(std::string_view text, bool preformatted);
  // Appends a text that the source (set_source) makes again from `span`;
  // holds only the span, the size and a checksum of `text`. kNoArticle as
  // add().
  std::uint32_t add_sourced(std::string_view text, SourceSpan span, bool preformatted);
  void set_source(std::shared_ptr<ArticleSource> source) { source_ = std::move(source); }
  bool has_source() const { return source_ != nullptr; }
  bool source_gives_valid_utf8() const { return source_ != nullptr && source_->gives_valid_utf8(); }
  // Room for `count` more texts, sourced ones too when a source is set.
  void reserve(std::size_t count);
  // Removes the text added last.
  void drop_last();
  bool sourced(std::uint32_t id) const { return spans_[id].chunk == kSourcedChunk; }
  bool preformatted(std::uint32_t id) const { return (spans_[id].size & kPreformattedBit) != 0; }
  std::size_t text_size(std::uint32_t id) const { return spans_[id].size & ~kPreformattedBit; }
  // The text `id`, which is not sourced; the view stays valid until the
  // next add(), text() or read().
  std::string_view text(std::uint32_t id);
  // The text `id`, held or made again by the source; the view stays valid
  // until the next add(), text() or read(). False with *error set when the
  // source cannot make a sourced text or makes another text than it gave
  // when it was added (the source changed since).
  bool read(std::uint32_t id, std::string_view* text, std::string* error);
  // Another reader of the source (ArticleSource::another), for reading
  // sourced texts on another thread; null without a source or when the
  // source gives none.
  std::unique_ptr<ArticleSource> another_source() const;
  // The sourced text `id`, made by `source` (the store's own or one from
  // another_source()) into *made, checked as read() checks it. Touches
  // nothing of the store, so threads may call it at once, each with its
  // own source and *made.
  bool read_sourced(std::uint32_t id, ArticleSource& source, std::string* made,
                    std::string* error) const;
  // True when text `id` is `text`: sizes and checksums first, so that a
  // held chunk is inflated or a sourced text made again only for a likely
  // match. A sourced text the source cannot make counts as different.
  bool same_text(std::uint32_t id, std::string_view text);

  // For tests: chunks inflated so far, and whether all were inflated for good.
  std::uint64_t inflations() const { return inflations_; }
  bool fully_inflated() const { return fully_inflated_; }

  static constexpr std::uint32_t kNoArticle = 0xFFFFFFFF;

 private:
  static constexpr std::uint32_t kPreformattedBit = 0x80000000u;
  struct Span {
    std::uint32_t chunk;
    std::uint32_t offset;
    std::uint32_t size;  // high bit: preformatted
  };
  // The chunk number of a sourced text, whose offset is its number in
  // sourced_.
  static constexpr std::uint32_t kSourcedChunk = kNoArticle;
  struct Sourced {
    SourceSpan span;
    std::uint32_t checksum;  // CRC-32 of the text
  };
  struct Chunk {
    std::vector<std::uint8_t> packed;
    std::uint32_t size = 0;  // unpacked
    std::string plain;       // when inflated for good
  };
  struct Coders;
  void seal_open_chunk();
  // Waits for the chunk being compressed and stores it.
  void finish_sealing();
  void inflate_into(const Chunk& c, char* out);
  const std::string& inflated(std::uint32_t chunk);

  std::unique_ptr<Coders> coders_;
  LargeVector<Span> spans_;
  std::vector<Chunk> chunks_;  // sealed chunks
  std::string open_;           // the chunk being filled (number chunks_.size())
  // The chunk being compressed on sealing_, its text, and the result.
  std::thread sealing_;
  std::uint32_t sealing_chunk_ = kNoArticle;
  std::string sealing_text_;
  std::vector<std::uint8_t> sealed_;
  struct Cached {
    std::uint32_t chunk = kNoArticle;
    std::uint64_t used = 0;
    std::string text;
  };
  std::vector<Cached> cache_;
  LargeVector<Sourced> sourced_;
  std::shared_ptr<ArticleSource> source_;
  std::string made_;  // the sourced text read last
  std::uint64_t clock_ = 0;
  std::uint64_t inflations_ = 0;
  bool fully_inflated_ = false;
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_ARTICLE_STORE_H_
