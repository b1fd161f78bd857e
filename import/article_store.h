// The article texts of an import, held compressed: texts are appended to an
// open chunk of about 1 MiB, and each full chunk is compressed (raw deflate,
// fastest level; dictionary text shrinks to about a third). Reading a text back
// inflates its chunk into a small cache of recent chunks, which serves the
// writer well because sources come roughly in alphabetical order, as the
// dictionary is written. Should the reads jump around so much that chunks
// are inflated again and again, every chunk is inflated once for good (the
// memory of holding the texts plainly, never more).
#ifndef LEXORA_IMPORT_ARTICLE_STORE_H_
#define LEXORA_IMPORT_ARTICLE_STORE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

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
  // Removes the text added last.
  void drop_last();
  bool preformatted(std::uint32_t id) const { return (spans_[id].size & kPreformattedBit) != 0; }
  std::size_t text_size(std::uint32_t id) const { return spans_[id].size & ~kPreformattedBit; }
  // The text `id`; the view stays valid until the next add() or text().
  std::string_view text(std::uint32_t id);

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
  std::vector<Span> spans_;
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
  std::uint64_t clock_ = 0;
  std::uint64_t inflations_ = 0;
  bool fully_inflated_ = false;
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_ARTICLE_STORE_H_
