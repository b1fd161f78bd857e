// One article block of a ".zd" file: the checks on its 8-byte header and the
// walk over the 0-terminated article strings it inflates to. Shared by
// article_at (one cached block) and the article search (many blocks at once
// on several threads), so both accept and refuse exactly the same blocks.
#ifndef LEXORA_ENGINE_ARTICLE_BLOCK_H_
#define LEXORA_ENGINE_ARTICLE_BLOCK_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace lexora {

struct BlockExtent {
  std::uint32_t unpacked_size = 0;
  std::uint32_t packed_size = 0;
};

// True when a whole block header fits in a file of `file_size` bytes at
// `offset` (an entry of the block table, which may point anywhere).
bool block_header_fits(std::uint64_t offset, std::uint64_t file_size);

// The sizes from the 8-byte header `head` read at `offset`, or nothing when
// the header is short, the packed data would run past the end of the file,
// or the unpacked size is more than that much deflate data can produce (so a
// few corrupt bytes cannot ask for gigabytes).
std::optional<BlockExtent> read_block_extent(std::span<const std::uint8_t> head,
                                             std::uint64_t offset, std::uint64_t file_size);

// Walks the article strings of an inflated block in order. The last string
// may lack its 0 byte; it then ends with the block.
class ArticleWalker {
 public:
  explicit ArticleWalker(std::string_view block)
      : at_(block.data()), end_(block.data() + block.size()) {}
  // The next article's bytes (without the 0), or nothing at the block's end.
  std::optional<std::string_view> next();

 private:
  const char* at_;
  const char* end_;
};

}  // namespace lexora

#endif  // LEXORA_ENGINE_ARTICLE_BLOCK_H_
