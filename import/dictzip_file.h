// Random access to the text of a dictd ".dict" file, plain or compressed.
//
// A ".dz" file made by dictzip is a gzip file whose header carries a chunk
// table (extra field "RA"): the text was compressed in chunks of a fixed
// length, each ending with a full flush, so any chunk inflates alone from its
// own offset. read() inflates only the chunks a range touches, keeping the
// last few in a small cache (so reading in file order inflates each chunk
// once). A gzip file without the table is inflated whole on opening. A plain
// file is read in pieces through the same cache, so that the many short
// reads of a dictionary's articles cost few system calls. Every size and
// offset of the header is checked against the file before use.
#ifndef LEXORA_IMPORT_DICTZIP_FILE_H_
#define LEXORA_IMPORT_DICTZIP_FILE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct inflate_state;

namespace lexora::import {

class DictzipFile {
 public:
  DictzipFile();
  ~DictzipFile();
  DictzipFile(const DictzipFile&) = delete;
  DictzipFile& operator=(const DictzipFile&) = delete;

  // Opens `path`: compressed when it starts with the gzip magic, else plain.
  // False with *error set (and *error_offset, the byte of the file where the
  // fault lies, 0 when none) when it cannot be read.
  bool open(const std::string& path, std::string* error, std::uint64_t* error_offset);

  // Size of the uncompressed text in bytes.
  std::uint64_t size() const { return size_; }
  bool random_access() const { return chunk_length_ != 0; }
  // True for a gzip file without a chunk table, whose whole text is held.
  bool holds_whole_text() const { return compressed_ && chunk_length_ == 0; }
  std::size_t chunk_count() const { return chunk_starts_.empty() ? 0 : chunk_starts_.size() - 1; }
  // Chunks inflated since opening (for tests of the cache).
  std::uint64_t chunks_inflated() const { return chunks_inflated_; }

  // Replaces *out with bytes [offset, offset + length) of the text. False
  // with *error set when the range lies beyond the text or a chunk does not
  // inflate.
  bool read(std::uint64_t offset, std::uint64_t length, std::string* out, std::string* error);

 private:
  static constexpr std::uint64_t kPlainPieceLength = 64 * 1024;
  struct CachedChunk {
    std::size_t index = SIZE_MAX;
    std::string text;
    std::uint64_t used = 0;  // last use, for eviction
  };
  bool read_header(std::string* error, std::uint64_t* error_offset);
  bool inflate_whole(std::string* error, std::uint64_t* error_offset);
  bool measure_last_chunk(std::string* error, std::uint64_t* error_offset);
  const std::string* chunk(std::size_t index, std::string* error);
  bool inflate_chunk(std::size_t index, std::string* out, std::string* error);
  // Piece `index` of a plain file (kPlainPieceLength bytes, the last
  // shorter).
  bool read_piece(std::size_t index, std::string* out, std::string* error);
  // Length of the units the cache holds: chunks, or pieces of a plain file.
  std::uint64_t piece_length() const { return compressed_ ? chunk_length_ : kPlainPieceLength; }
  // The quick way (ISA-L's inflate); false leaves the chunk to zlib.
  bool inflate_chunk_fast(std::size_t packed_size, bool last, std::string* out);
  bool read_file(std::uint64_t offset, std::size_t length, std::string* out) const;

  int fd_ = -1;
  std::string path_;
  std::uint64_t file_size_ = 0;
  std::uint64_t size_ = 0;
  bool compressed_ = false;
  std::uint32_t chunk_length_ = 0;
  // File offset where each chunk's compressed data starts; one more entry
  // marks the end of the last.
  std::vector<std::uint64_t> chunk_starts_;
  std::vector<CachedChunk> cache_;
  std::uint64_t clock_ = 0;
  std::uint64_t chunks_inflated_ = 0;
  std::string whole_;   // the whole text of a gzip file without a chunk table
  std::string packed_;  // compressed bytes of the chunk being inflated
  std::unique_ptr<inflate_state> fast_inflater_;  // large: made on first use
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_DICTZIP_FILE_H_
