#include "engine/article_block.h"

#include <cstring>

#include "engine/dictionary_header.h"
#include "engine/inflate_limit.h"
#include "platform/byte_cursor.h"

namespace lexora {

bool block_header_fits(std::uint64_t offset, std::uint64_t file_size) {
  return offset <= file_size && file_size - offset >= kBlockHeaderSize;
}

std::optional<BlockExtent> read_block_extent(std::span<const std::uint8_t> head,
                                             std::uint64_t offset, std::uint64_t file_size) {
  if (!block_header_fits(offset, file_size)) return std::nullopt;
  ByteCursor cursor(head);
  BlockExtent extent;
  if (!cursor.read_u32(&extent.unpacked_size) || !cursor.read_u32(&extent.packed_size))
    return std::nullopt;
  if (extent.packed_size > file_size - offset - kBlockHeaderSize ||
      !inflated_size_believable(extent.packed_size, extent.unpacked_size)) {
    return std::nullopt;
  }
  return extent;
}

std::optional<std::string_view> ArticleWalker::next() {
  if (at_ >= end_) return std::nullopt;
  const auto* zero =
      static_cast<const char*>(std::memchr(at_, 0, static_cast<std::size_t>(end_ - at_)));
  const char* stop = zero != nullptr ? zero : end_;
  std::string_view article(at_, static_cast<std::size_t>(stop - at_));
  at_ = zero != nullptr ? zero + 1 : end_;
  return article;
}

}  // namespace lexora
