// Articles and abbreviations: article blocks are read from the file and
// inflated one at a time, the last one kept; abbreviations are searched in
// the list loaded at opening.
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "engine/article_block.h"
#include "engine/dictionary.h"
#include "engine/inflate.h"
#include "engine/resource_pack.h"
#include "platform/messages.h"
#include "platform/nls.h"

namespace lexora {
namespace {

constexpr char kAbbreviationSeparator[] = "  ";

}  // namespace

bool Dictionary::reopen_stream() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  pack_.reset();
  file_ = std::fopen(path_.c_str(), "rb");
  if (file_ == nullptr) return false;
  open_pack();
  return true;
}

bool Dictionary::check_stream() {
  // One reopening is enough for storage that went away and came back; a
  // stream that is broken again straight after is not retried in a loop.
  // Asking the descriptor where it stands costs one system call, leaves the
  // stream's buffered position alone, and fails for a stream that can no
  // longer seek. (Seeking the stream to its end instead costs a stat, a seek
  // and a read on every article.)
  for (int attempt = 0;; ++attempt) {
    if (file_ != nullptr && lseek(fileno(file_), 0, SEEK_CUR) >= 0) return true;
    if (attempt > 0 || !reopen_stream()) {
      fail(Status::integrity_error());
      return false;
    }
  }
}

std::size_t Dictionary::read_block_bytes(void* buffer, std::size_t size) {
  if (failing_reads_ > 0) {
    --failing_reads_;
    if (short_reads_) return std::fread(buffer, 1, size / 2, file_);
    errno = EIO;
    return 0;
  }
  return std::fread(buffer, 1, size, file_);
}

Dictionary::BlockLoad Dictionary::load_block(std::uint32_t block) {
  // From here on the cache is being overwritten: it holds no whole block
  // until the load succeeds.
  cached_block_ = -1;
  // The file may have changed size since it was opened; block offsets and
  // sizes are checked against what it holds now.
  struct stat info {};
  if (fstat(fileno(file_), &info) == 0) file_size_ = static_cast<std::uint64_t>(info.st_size);
  const std::uint64_t offset = block_table_[block];
  std::uint8_t head[kBlockHeaderSize];
  if (!block_header_fits(offset, file_size_)) {
    fail(Status::integrity_error());
    return BlockLoad::kFailed;
  }
  // The file holds these bytes: a seek or read that fails all the same is
  // the stream's fault, not the data's.
  if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0 ||
      read_block_bytes(head, sizeof head) != sizeof head) {
    return BlockLoad::kReadFailed;
  }
  // Sizes are checked against the file before anything is allocated.
  const std::optional<BlockExtent> extent = read_block_extent(head, offset, file_size_);
  if (!extent) {
    fail(Status::integrity_error());
    return BlockLoad::kFailed;
  }
  const std::uint32_t unpacked = extent->unpacked_size;
  const std::uint32_t packed = extent->packed_size;
  block_unpacked_size_ = unpacked;
  block_packed_size_ = packed;
  // The cache grows only with real output, up to the block limit.
  if (unpacked > kMaxBlockSize) {
    fail(Status::integrity_error());
    return BlockLoad::kFailed;
  }
  try {
    packed_block_.resize(packed);
  } catch (const std::bad_alloc&) {
    out_of_memory_stop();
  }
  if (read_block_bytes(packed_block_.data(), packed) != packed) return BlockLoad::kReadFailed;
  const InflateResult inflated =
      inflate_bounded(std::span<const std::uint8_t>(packed_block_), unpacked, &block_cache_);
  if (inflated == InflateResult::kNoMemory) out_of_memory_stop();
  // More output than the header says is bad data like any other.
  if (inflated != InflateResult::kOk || !block_holds_its_articles(block)) {
    fail(Status::integrity_error());
    return BlockLoad::kFailed;
  }
  // A complete stream shorter than announced: only the filled part counts.
  block_unpacked_size_ = static_cast<std::uint32_t>(block_cache_.size());
  cached_block_ = static_cast<std::int32_t>(block);
  ++block_loads_;
  return BlockLoad::kLoaded;
}

// Every block but the last holds exactly articles_per_block strings, the
// last at most that many: a block with more or fewer would hand out other
// words' articles. (The last string may lack its 0 byte.)
bool Dictionary::block_holds_its_articles(std::uint32_t block) const {
  std::uint64_t strings = 0;
  const char* p = block_cache_.data();
  const char* const end = p + block_cache_.size();
  while (p < end) {
    const void* zero = std::memchr(p, 0, static_cast<std::size_t>(end - p));
    ++strings;
    if (strings > header_.articles_per_block) return false;
    p = zero != nullptr ? static_cast<const char*>(zero) + 1 : end;
  }
  const bool last = block + 1 >= header_.block_count;
  return last || strings == header_.articles_per_block;
}

bool Dictionary::decode_article_text(std::string_view bytes, std::u16string* out) {
  if (!article_codec_ || article_codec_->code_page() != header_.articles_code_page) {
    article_codec_ = std::make_unique<WordCodec>(header_.articles_code_page, header_.locale_id);
  }
  return article_codec_->decode(bytes, out);
}

std::optional<std::u16string_view> Dictionary::article_at(std::uint32_t index) {
  last_error_ = Status();
  if (header_.version == 0) return std::nullopt;  // nothing is open
  if (!check_stream()) return std::nullopt;
  if (index > header_.word_count || header_.articles_per_block == 0) return std::nullopt;
  const std::uint32_t block = index / header_.articles_per_block;
  const std::uint32_t position = index % header_.articles_per_block;

  if (cached_block_ < 0 || static_cast<std::uint32_t>(cached_block_) != block) {
    if (block >= header_.block_count || block >= block_table_.size()) return std::nullopt;
    BlockLoad loaded = load_block(block);
    // A read error (media that went away, a stale handle on a network share)
    // or a short read is retried once on a stream opened afresh; the word
    // list and everything else loaded stays.
    if (loaded == BlockLoad::kReadFailed && reopen_stream()) loaded = load_block(block);
    if (loaded == BlockLoad::kReadFailed) fail(Status::integrity_error());
    if (loaded != BlockLoad::kLoaded) return std::nullopt;
  }

  ArticleWalker walker(std::string_view(block_cache_.data(), block_unpacked_size_));
  for (std::uint32_t j = 0;; ++j) {
    const std::optional<std::string_view> article = walker.next();
    if (!article) return std::nullopt;
    if (j == position) {
      if (!decode_article_text(*article, &wide_text_)) return std::nullopt;
      return std::u16string_view(wide_text_);
    }
  }
}

std::optional<std::u16string_view> Dictionary::expand_abbreviation(std::u16string_view key) {
  if (header_.version == 0) return std::nullopt;
  if (!to_multibyte(key, header_.articles_code_page, &multibyte_key_)) return std::nullopt;
  const char* buffer_end = abbrevs_.data() + abbrevs_.size();
  for (const char* entry : abbrev_table_) {
    const char* end = static_cast<const char*>(
        std::memchr(entry, 0, static_cast<std::size_t>(buffer_end - entry)));
    if (end == nullptr) end = buffer_end;
    std::string_view text(entry, static_cast<std::size_t>(end - entry));
    std::size_t split = text.find(kAbbreviationSeparator);
    if (split == std::string_view::npos || split != multibyte_key_.size() ||
        text.compare(0, split, multibyte_key_) != 0) {
      continue;
    }
    std::string_view expansion = text.substr(split + 2);
    if (!decode_article_text(expansion, &wide_word_)) return std::nullopt;
    return std::u16string_view(wide_word_);
  }
  return std::nullopt;
}

}  // namespace lexora
