// Articles and abbreviations: article blocks are read from the file and
// inflated one at a time, the last one kept; abbreviations are searched in
// the list loaded at opening.
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <new>

#include "engine/dictionary.h"
#include "engine/inflate_limit.h"
#include "engine/resource_pack.h"
#include "platform/byte_cursor.h"
#include "platform/messages.h"
#include "platform/nls.h"
#include "resources/string_table.h"

namespace lexora {
namespace {

constexpr char kAbbreviationSeparator[] = "  ";

void integrity_error() {
  show_message(str::kIntegrityError, str::kError, MessageIcon::kError);
}

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
      integrity_error();
      return false;
    }
  }
}

void Dictionary::break_stream_for_testing() {
  if (file_ == nullptr) return;
  int fds[2];
  if (pipe(fds) != 0) return;
  close(fds[1]);
  std::FILE* broken = fdopen(fds[0], "rb");
  if (broken == nullptr) {
    close(fds[0]);
    return;
  }
  std::fclose(file_);
  file_ = broken;  // a pipe cannot seek
}

bool Dictionary::load_block(std::uint32_t block) {
  // From here on the cache is being overwritten: it holds no whole block
  // until the load succeeds.
  cached_block_ = -1;
  // The file may have changed size since it was opened; block offsets and
  // sizes are checked against what it holds now.
  struct stat info {};
  if (fstat(fileno(file_), &info) == 0) file_size_ = static_cast<std::uint64_t>(info.st_size);
  const std::uint64_t offset = block_table_[block];
  std::uint32_t unpacked = 0;
  std::uint32_t packed = 0;
  std::uint8_t head[kBlockHeaderSize];
  if (offset > file_size_ || file_size_ - offset < kBlockHeaderSize ||
      fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0 ||
      std::fread(head, 1, sizeof head, file_) != sizeof head) {
    integrity_error();
    return false;
  }
  // The block header: unpacked size, then packed size.
  ByteCursor header_cursor(head, sizeof head);
  if (!header_cursor.read_u32(&unpacked) || !header_cursor.read_u32(&packed)) {
    integrity_error();
    return false;
  }
  block_unpacked_size_ = unpacked;
  block_packed_size_ = packed;
  // Sizes are checked against the file before anything is allocated.
  if (packed > file_size_ - offset - kBlockHeaderSize ||
      !inflated_size_believable(packed, unpacked)) {
    integrity_error();
    return false;
  }
  try {
    block_cache_.resize(unpacked);
    packed_block_.resize(packed);
  } catch (const std::bad_alloc&) {
    out_of_memory_stop();
  }
  if (std::fread(packed_block_.data(), 1, packed, file_) != packed) {
    integrity_error();
    return false;
  }
  uLongf filled = unpacked;
  int rc = ::uncompress(reinterpret_cast<Bytef*>(block_cache_.data()), &filled,
                        packed_block_.data(), packed);
  if (rc == Z_MEM_ERROR) out_of_memory_stop();
  // Z_BUF_ERROR here means the block holds more than its header says: bad
  // data like any other, not a lack of memory.
  if (rc != Z_OK) {
    integrity_error();
    return false;
  }
  // A complete stream shorter than announced: only the filled part counts.
  block_unpacked_size_ = static_cast<std::uint32_t>(filled);
  cached_block_ = static_cast<std::int32_t>(block);
  ++block_loads_;
  return true;
}

bool Dictionary::decode_article_text(std::string_view bytes, std::u16string* out) {
  if (!article_codec_ || article_codec_->code_page() != header_.articles_code_page) {
    article_codec_ = std::make_unique<WordCodec>(header_.articles_code_page, header_.locale_id);
  }
  return article_codec_->decode(bytes, out);
}

std::optional<std::u16string_view> Dictionary::article_at(std::uint32_t index) {
  if (header_.version == 0) return std::nullopt;  // nothing is open
  if (!check_stream()) return std::nullopt;
  if (index > header_.word_count || header_.articles_per_block == 0) return std::nullopt;
  const std::uint32_t block = index / header_.articles_per_block;
  const std::uint32_t position = index % header_.articles_per_block;

  if (cached_block_ < 0 || static_cast<std::uint32_t>(cached_block_) != block) {
    if (block >= header_.block_count || block >= block_table_.size()) return std::nullopt;
    if (!load_block(block)) return std::nullopt;
  }

  const char* p = block_cache_.data();
  const char* end = p + block_unpacked_size_;
  for (std::uint32_t j = 0; p < end; ++j) {
    const char* zero = static_cast<const char*>(std::memchr(p, 0, static_cast<std::size_t>(end - p)));
    // The last string of a block may lack its 0 byte; it ends with the block.
    const char* stop = zero != nullptr ? zero : end;
    if (j == position) {
      if (!decode_article_text(std::string_view(p, static_cast<std::size_t>(stop - p)),
                               &wide_text_)) {
        return std::nullopt;
      }
      return std::u16string_view(wide_text_);
    }
    p = zero != nullptr ? zero + 1 : end;
  }
  return std::nullopt;
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
