// Reading files out of a zip archive held in memory (DSL media archives).
//
// The central directory is read once: the end record is searched for in the
// last 64 KiB of the archive, zip64 end records are followed, and every count,
// size and offset is checked against the bytes before anything is allocated.
// Entries are stored or deflated; encrypted entries, other methods and
// archives spanning several disks are refused with a message. Extraction
// checks the local header, the stated size (no more than deflate can make of
// the compressed bytes, no more than kMaxZipEntrySize) and the CRC-32.
#ifndef LEXORA_IMPORT_ZIP_ARCHIVE_H_
#define LEXORA_IMPORT_ZIP_ARCHIVE_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lexora::import {

// No media file of a dictionary comes near this; larger entries are refused.
inline constexpr std::uint64_t kMaxZipEntrySize = 512ull << 20;

struct ZipEntry {
  std::string name;  // as stored ("/" between folders)
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t crc32 = 0;
  std::uint64_t compressed_size = 0;
  std::uint64_t size = 0;
  std::uint64_t local_header_offset = 0;
};

class ZipArchive {
 public:
  // Reads the directory of the archive in `bytes`, which are not copied and
  // must outlive the archive. Null with *error set when the bytes are no zip
  // archive or its directory is damaged.
  static std::unique_ptr<ZipArchive> open(std::span<const std::uint8_t> bytes, std::string* error);

  std::size_t entry_count() const { return entries_.size(); }
  // `i` must be below entry_count().
  const ZipEntry& entry(std::size_t i) const { return entries_[i]; }

  // The entry called `name`: the exact name first, then the name with case
  // ignored and "\" taken as "/", then a file of that name in any folder of
  // the archive when only one folder holds one.
  std::optional<std::size_t> find(std::string_view name) const;

  // The unpacked bytes of entry `i` into *out. False with *error set when the
  // entry cannot be read or its bytes do not match its CRC-32.
  bool extract(std::size_t i, std::vector<std::uint8_t>* out, std::string* error) const;

 private:
  explicit ZipArchive(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool read_directory(std::string* error);
  void build_index();

  std::span<const std::uint8_t> bytes_;
  std::vector<ZipEntry> entries_;
  std::unordered_map<std::string, std::size_t> exact_;
  std::unordered_map<std::string, std::size_t> folded_;
  // Folded file names without folders; SIZE_MAX where several entries share one.
  std::unordered_map<std::string, std::size_t> base_names_;
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_ZIP_ARCHIVE_H_
