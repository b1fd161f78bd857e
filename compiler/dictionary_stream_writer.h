// Writes a version-4 or -5 ".zd" straight to its file, one article block at
// a time, for dictionaries too large to hold twice in memory (imports of
// other formats). build_dictionary makes the same bytes from a source held
// whole in memory.
//
// The caller supplies text already in the header's code pages and in stored
// order (compiler/headword_order.h gives the order): first the words and
// abbreviation streams, then every article in turn. Only the current block
// is being filled; full blocks are compressed (on worker threads) and
// written in order as they come back, and finish()
// fills in the block table and the checksum trailer. A writer that fails or
// is destroyed before finish() leaves an incomplete file, which the caller
// removes (it writes to a temporary name and renames on success).
#ifndef LEXORA_COMPILER_DICTIONARY_STREAM_WRITER_H_
#define LEXORA_COMPILER_DICTIONARY_STREAM_WRITER_H_

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/block_compressor.h"
#include "compiler/dictionary_writer.h"

namespace lexora::compiler {

class DictionaryStreamWriter {
 public:
  DictionaryStreamWriter();
  ~DictionaryStreamWriter();
  DictionaryStreamWriter(const DictionaryStreamWriter&) = delete;
  DictionaryStreamWriter& operator=(const DictionaryStreamWriter&) = delete;

  // Creates `path` and writes the header, the words stream (`words`: every
  // headword followed by a 0 byte), the abbreviations stream (each entry is
  // "ABBREVIATION  EXPANSION" and a 0 byte; empty for none) and room for the
  // block table. Only versions 4 and 5 are written. False with *error set
  // when the file cannot be created or a size exceeds 32 bits.
  bool begin(const std::string& path, const DictionaryOptions& options, std::uint32_t word_count,
             std::string_view words, std::uint32_t abbrev_count, std::string_view abbreviations,
             std::string* error);

  // Appends the next article (its text without the 0 terminator). False when
  // the text holds a 0 byte, more articles arrive than headwords, or the
  // file cannot be written.
  bool add_article(std::string_view text, std::string* error);

  // Appends a whole block that the caller made and deflated (for callers
  // that make blocks on threads of their own): `articles` articles, each
  // followed by its 0 byte, `unpacked_size` bytes in all, and their zlib
  // stream. Every block but the last holds articles_per_block() articles.
  // False when add_article() has begun a block, when the count does not
  // fit, or when the file cannot be written.
  bool add_packed_block(std::uint32_t articles, std::size_t unpacked_size,
                        std::span<const std::uint8_t> packed, std::string* error);
  // Articles in each block of the file begun.
  std::uint32_t articles_per_block() const { return per_block_; }

  // Writes the last block, the block table and, with FLAG_HAS_CHECKSUM, the
  // trailer, and closes the file. False unless every article was added.
  bool finish(std::string* error);

  // Worker threads that compress blocks (default: one per core, up to 4; 0
  // compresses on the calling thread). The file is the same either way.
  // Takes effect at the next begin().
  void set_compression_threads(unsigned threads) { threads_ = threads; }
  // How the streams and article blocks are deflated (default: zlib's
  // default level, the bytes build_dictionary writes). Takes effect at the
  // next begin().
  void set_block_compression(BlockCompression compression) { compression_ = compression; }

 private:
  bool flush_block(std::string* error);
  bool write_oldest_block(std::string* error);
  bool write_block(std::size_t unpacked_size, std::span<const std::uint8_t> packed,
                   std::string* error);
  bool write(const void* data, std::size_t size, std::string* error);

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
  std::string path_;
  std::uint32_t flags_ = 0;
  std::uint32_t word_count_ = 0;
  std::uint32_t per_block_ = 0;
  std::uint32_t articles_added_ = 0;
  std::uint64_t table_at_ = 0;  // file offset of the block table
  std::uint64_t written_ = 0;   // bytes written so far
  std::vector<std::uint32_t> block_offsets_;
  unsigned threads_ = 0;
  BlockCompression compression_ = BlockCompression::kZlibDefault;
  std::unique_ptr<BlockCompressor> compressor_;
  std::vector<std::uint8_t> block_;   // unpacked text of the current block
  std::vector<std::uint8_t> packed_;  // its zlib stream
  // Adler-32 of the header, streams and table (started at 0, as the trailer
  // wants) and, separately, of everything after the table, joined at finish().
  std::uint32_t head_sum_ = 0;
  std::uint32_t tail_sum_ = 1;
  std::uint64_t tail_size_ = 0;
};

}  // namespace lexora::compiler

#endif  // LEXORA_COMPILER_DICTIONARY_STREAM_WRITER_H_
