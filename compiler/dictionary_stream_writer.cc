#include "compiler/dictionary_stream_writer.h"

#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/dictionary_header.h"
#include "platform/byte_cursor.h"
#include "platform/nls.h"

namespace lexora::compiler {
namespace {

constexpr std::uint64_t kMaxU32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kWriteBufferSize = std::size_t{1} << 20;

bool fail(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
  return false;
}

// Adler-32 over data of any length; igzip's vectorised sum runs several
// times faster than zlib's over the megabytes of an import.
std::uint32_t adler_update(std::uint32_t sum, const std::uint8_t* data, std::size_t size) {
  return size == 0 ? sum : isal_adler32(sum, data, size);
}

std::vector<std::uint8_t> packed(std::string_view text, BlockCompression compression) {
  return compress_stream(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                         compression);
}

}  // namespace

DictionaryStreamWriter::DictionaryStreamWriter()
    : file_(nullptr, &std::fclose), threads_(BlockCompressor::default_threads()) {}
DictionaryStreamWriter::~DictionaryStreamWriter() = default;

bool DictionaryStreamWriter::write(const void* data, std::size_t size, std::string* error) {
  if (size != 0 && std::fwrite(data, 1, size, file_.get()) != size)
    return fail(error, "cannot write " + path_);
  written_ += size;
  return true;
}

bool DictionaryStreamWriter::begin(const std::string& path, const DictionaryOptions& options,
                                   std::uint32_t word_count, std::string_view words,
                                   std::uint32_t abbrev_count, std::string_view abbreviations,
                                   std::string* error) {
  if (options.version != 4 && options.version != 5)
    return fail(error, "the streaming writer writes versions 4 and 5 only");
  if (!is_valid_code_page(options.words_code_page) ||
      !is_valid_code_page(options.articles_code_page))
    return fail(error, "code page not supported");
  if (words.size() > kMaxU32 || abbreviations.size() > kMaxU32)
    return fail(error, "the word list is larger than 4 GiB");
  path_ = path;
  flags_ = options.flags;
  word_count_ = word_count;
  per_block_ =
      options.articles_per_block != 0 ? options.articles_per_block : kCompilerArticlesPerBlock;
  const std::uint64_t block_count = (std::uint64_t{word_count} + per_block_ - 1) / per_block_;
  block_offsets_.clear();
  compressor_ = std::make_unique<BlockCompressor>(threads_, compression_);
  block_offsets_.reserve(block_count);
  articles_added_ = 0;
  written_ = 0;
  block_.clear();

  const std::vector<std::uint8_t> packed_words = packed(words, compression_);
  std::vector<std::uint8_t> packed_abbrevs;
  if (abbrev_count != 0) packed_abbrevs = packed(abbreviations, compression_);
  std::vector<std::uint8_t> head;
  ByteWriter w(&head);
  w.put_u16(static_cast<std::uint16_t>(options.version));
  for (std::uint64_t v :
       {std::uint64_t{word_count}, std::uint64_t{words.size()}, std::uint64_t{packed_words.size()},
        std::uint64_t{per_block_}, block_count, std::uint64_t{abbrev_count},
        std::uint64_t{abbrev_count != 0 ? abbreviations.size() : 0},
        std::uint64_t{packed_abbrevs.size()}, std::uint64_t{options.flags},
        std::uint64_t{options.words_code_page}, std::uint64_t{options.articles_code_page},
        std::uint64_t{options.locale_id}})
    w.put_u32(static_cast<std::uint32_t>(v));
  w.put_bytes(std::span<const std::uint8_t>(packed_words));
  w.put_bytes(std::span<const std::uint8_t>(packed_abbrevs));

  file_.reset(std::fopen(path.c_str(), "wb"));
  if (!file_) return fail(error, "cannot create " + path);
  // Blocks of a few kilobytes each: a larger buffer than stdio's default
  // saves most of the system calls. Failing that, the default serves.
  std::setvbuf(file_.get(), nullptr, _IOFBF, kWriteBufferSize);
  head_sum_ = adler_update(0, head.data(), head.size());
  tail_sum_ = static_cast<std::uint32_t>(adler32(0, nullptr, 0));
  tail_size_ = 0;
  if (!write(head.data(), head.size(), error)) return false;
  table_at_ = written_;
  const std::vector<std::uint8_t> table(block_count * 4, 0);
  return write(table.data(), table.size(), error);
}

bool DictionaryStreamWriter::add_article(std::string_view text, std::string* error) {
  if (!file_) return fail(error, "the dictionary file is not open");
  if (articles_added_ >= word_count_) return fail(error, "more articles than headwords");
  if (std::memchr(text.data(), 0, text.size()) != nullptr)
    return fail(error, "an article holds a 0 byte");
  block_.insert(block_.end(), text.begin(), text.end());
  block_.push_back(0);
  ++articles_added_;
  if (articles_added_ % per_block_ == 0) return flush_block(error);
  return true;
}

bool DictionaryStreamWriter::flush_block(std::string* error) {
  if (block_.size() > kMaxU32) return fail(error, "an article block is larger than 4 GiB");
  compressor_->submit(std::move(block_));
  block_.clear();
  // A few blocks in flight keep the workers busy without holding many.
  while (compressor_->pending() > 2 * std::max(1u, threads_))
    if (!write_oldest_block(error)) return false;
  return true;
}

bool DictionaryStreamWriter::write_oldest_block(std::string* error) {
  std::size_t unpacked = 0;
  compressor_->take(&unpacked, &packed_);
  return write_block(unpacked, packed_, error);
}

bool DictionaryStreamWriter::add_packed_block(std::uint32_t articles, std::size_t unpacked_size,
                                              std::span<const std::uint8_t> packed,
                                              std::string* error) {
  if (!file_) return fail(error, "the dictionary file is not open");
  if (articles_added_ % per_block_ != 0) return fail(error, "a block was begun article by article");
  if (articles == 0 || articles > per_block_ || articles > word_count_ - articles_added_ ||
      (articles < per_block_ && articles != word_count_ - articles_added_))
    return fail(error, "a block holds the wrong number of articles");
  if (unpacked_size > kMaxU32 || packed.size() > kMaxU32)
    return fail(error, "an article block is larger than 4 GiB");
  // Blocks of add_article() come first.
  while (compressor_->pending() > 0)
    if (!write_oldest_block(error)) return false;
  articles_added_ += articles;
  return write_block(unpacked_size, packed, error);
}

bool DictionaryStreamWriter::write_block(std::size_t unpacked, std::span<const std::uint8_t> packed,
                                         std::string* error) {
  if (written_ > kMaxU32) return fail(error, "the dictionary is larger than 4 GiB");
  std::uint8_t sizes[kBlockHeaderSize];
  const std::uint32_t fields[2] = {static_cast<std::uint32_t>(unpacked),
                                   static_cast<std::uint32_t>(packed.size())};
  for (int f = 0; f < 2; ++f)
    for (int i = 0; i < 4; ++i) sizes[f * 4 + i] = static_cast<std::uint8_t>(fields[f] >> (8 * i));
  block_offsets_.push_back(static_cast<std::uint32_t>(written_));
  tail_sum_ = adler_update(tail_sum_, sizes, sizeof sizes);
  tail_sum_ = adler_update(tail_sum_, packed.data(), packed.size());
  tail_size_ += sizeof sizes + packed.size();
  return write(sizes, sizeof sizes, error) && write(packed.data(), packed.size(), error);
}

bool DictionaryStreamWriter::finish(std::string* error) {
  if (!file_) return fail(error, "the dictionary file is not open");
  if (articles_added_ != word_count_)
    return fail(error, "fewer articles than headwords in " + path_);
  // A block begun by add_article() (a last block of add_packed_block() is
  // written already).
  if (!block_.empty() && !flush_block(error)) return false;
  while (compressor_->pending() > 0)
    if (!write_oldest_block(error)) return false;
  const std::uint64_t end = written_;
  std::vector<std::uint8_t> table;
  ByteWriter w(&table);
  for (std::uint32_t offset : block_offsets_) w.put_u32(offset);
  if (std::fseek(file_.get(), static_cast<long>(table_at_), SEEK_SET) != 0)
    return fail(error, "cannot write " + path_);
  if (!write(table.data(), table.size(), error)) return false;
  written_ = end;
  if (std::fseek(file_.get(), 0, SEEK_END) != 0) return fail(error, "cannot write " + path_);
  if ((flags_ & FLAG_HAS_CHECKSUM) != 0) {
    // The trailer is Adler-32 started at 0 over everything before it.
    const std::uint32_t head = adler_update(head_sum_, table.data(), table.size());
    const auto sum = static_cast<std::uint32_t>(
        adler32_combine(head, tail_sum_, static_cast<z_off_t>(tail_size_)));
    std::uint8_t trailer[kChecksumSize];
    for (int i = 0; i < 4; ++i) trailer[i] = static_cast<std::uint8_t>(sum >> (8 * i));
    if (!write(trailer, sizeof trailer, error)) return false;
  }
  if (std::fclose(file_.release()) != 0) return fail(error, "cannot write " + path_);
  return true;
}

}  // namespace lexora::compiler
