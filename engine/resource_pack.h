// The ".zpak" resource pack beside a dictionary: pictures, sounds and the
// style sheet that articles refer to by name.
//
// File layout (little-endian, unaligned): "Zpak", version (i16), entry count
// (u32), 8 reserved bytes, then the directory records back to back, each a
// UTF-16LE name ended by a 0 unit followed by offset, size and packed size
// (u32 each). Packed size 0 means the data is stored as is; size 0 marks an
// entry that cannot be read.
//
// The header and directory are read into memory when the pack is opened
// (at most 64 MiB of them) and indexed in place there; entry data is read
// from the file with pread when asked for. Nothing is mapped: a pack that is
// cut short or replaced while open makes reads of the lost part fail instead
// of ending the process. Version-1 packs may list their records in any order and
// the index is sorted on opening; every other accepted version must already
// be sorted by name (unsigned UTF-16 code units) and is indexed as stored.
//
// Everything the directory says is checked against the mapping when the pack
// is opened: the record count, every name's terminator, every record's fields,
// every entry's data range, and the unpacked size of packed entries (no
// larger than a zlib stream of that many bytes can produce). A record whose
// data lies outside the file or over the header and directory is left out of
// the index, the other records kept. A directory that cannot be read to its
// end, or any other failed check, makes the pack no pack at all, silently, as
// a missing file, a wrong magic or a version above 2 do.
#ifndef LEXORA_ENGINE_RESOURCE_PACK_H_
#define LEXORA_ENGINE_RESOURCE_PACK_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/inflate.h"

namespace lexora {

inline constexpr char kPackMagic[4] = {'Z', 'p', 'a', 'k'};
inline constexpr std::int16_t kMaxPackVersion = 2;
// The only version whose directory need not be sorted.
inline constexpr std::int16_t kUnsortedPackVersion = 1;
inline constexpr std::size_t kPackHeaderSize = 18;
// offset, size and packed size after each name.
inline constexpr std::size_t kPackRecordFieldsSize = 12;
inline constexpr std::string_view kPackExtension = ".zpak";

// One directory record, decoded (for listings and tests).
struct PackEntryInfo {
  std::u16string name;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
  std::uint32_t packed_size = 0;
};

class ResourcePack {
 public:
  ~ResourcePack();
  ResourcePack(const ResourcePack&) = delete;
  ResourcePack& operator=(const ResourcePack&) = delete;

  // Maps and indexes the pack at `path`; null when there is no usable pack
  // (missing, empty, unmappable or malformed file). Never shows a message.
  static std::unique_ptr<ResourcePack> open(const std::string& path);
  // Indexes a pack held in memory. The bytes are not copied and must outlive
  // the returned object. Same checks and result as open().
  static std::unique_ptr<ResourcePack> from_memory(std::span<const std::uint8_t> bytes);

  std::int16_t version() const { return version_; }
  std::size_t entry_count() const { return index_.size(); }
  // Record `i` of the index (sorted order for version 1, file order else).
  // `i` must be below entry_count().
  PackEntryInfo entry(std::size_t i) const;

  // The bytes of entry `name`, or null. A "/" in `name` matches a "\" in the
  // stored names. The search is a binary search for the first stored name not
  // less than `name` (code-unit order); that name must then equal `name` with
  // case ignored.
  //
  // The entry is copied (stored) or inflated (packed) into *buffer, owned by
  // the caller, and buffer->data() is returned; *size_out receives
  // buffer->size(). The buffer grows only as data really arrives, never past
  // `max_size`: an entry recorded larger than that is refused before anything
  // is read. A packed entry whose stream ends before its recorded size yields
  // the bytes it holds (its stream is complete, only the recorded size was
  // generous); one whose stream is longer than recorded, is empty, or does
  // not inflate, yields null. A stored entry the file no longer holds whole
  // (cut short since opening) yields null.
  // Returns null for a missing name or an entry of size 0. A real lack of
  // memory is the out-of-memory stop.
  const std::uint8_t* read_entry(std::u16string_view name, std::uint32_t* size_out,
                                 std::vector<std::uint8_t>* buffer,
                                 std::size_t max_size = kMaxPackEntrySize) const;

  // Hands entry `name` to `sink` in pieces of at most 64 KiB, as they are
  // read or inflated: memory stays bounded whatever the entry's size. False
  // when the entry is missing, of size 0 or larger than `max_size`, when its
  // stream is damaged or longer than recorded, when the file is cut short
  // midway, or when `sink` returns false; pieces already handed over stay
  // handed over.
  bool stream_entry(std::u16string_view name,
                    const std::function<bool(std::span<const std::uint8_t>)>& sink,
                    std::size_t max_size = SIZE_MAX) const;

  // Position in the index of the entry read_entry(name) would return, or -1.
  std::ptrdiff_t find(std::u16string_view name) const;

 private:
  // Where a record lies in the mapping.
  struct IndexEntry {
    std::uint32_t name_offset;    // first byte of the UTF-16LE name
    std::uint32_t name_units;     // length in code units, without the 0
    std::uint32_t fields_offset;  // the offset field that follows the name
  };

  ResourcePack() = default;
  // Indexes the directory in base_/size_; *needs_more is set when it runs
  // past what has been loaded of a file that holds more.
  bool index_directory(bool* needs_more);
  // Reads out.size() bytes at `offset` of the file (or the memory image).
  bool read_at(std::uint64_t offset, std::span<std::uint8_t> out) const;
  // Supplies a packed entry's bytes to the streaming inflater.
  std::function<std::ptrdiff_t(std::span<std::uint8_t>)> packed_reader(std::uint32_t offset,
                                                                       std::uint32_t packed) const;
  char16_t name_unit(const IndexEntry& e, std::size_t i) const;
  // <0, 0, >0 as the stored name sorts before, equal to or after `key`, with
  // "/" in `key` taken as "\".
  int compare_name(const IndexEntry& e, std::u16string_view key) const;
  bool names_equal_ignoring_case(const IndexEntry& e, std::u16string_view key) const;
  std::uint32_t field(const IndexEntry& e, std::size_t which) const;

  const std::uint8_t* base_ = nullptr;  // the header and directory
  std::size_t size_ = 0;
  std::uint64_t data_size_ = 0;           // the whole file's (or image's) size
  int fd_ = -1;                           // the open file; -1 for a memory image
  std::vector<std::uint8_t> directory_;   // what base_ addresses for a file
  std::span<const std::uint8_t> memory_;  // the image of from_memory()
  std::int16_t version_ = 0;
  std::vector<IndexEntry> index_;
};

// The pack path of a dictionary: everything from the last "." of `path` on
// replaced by ".zpak"; empty when `path` holds no ".". The "." may lie in a
// folder name ("/my.dicts/enru" gives "/my.zpak"), as stored packs expect.
std::string pack_path_for(const std::string& dictionary_path);

}  // namespace lexora

#endif  // LEXORA_ENGINE_RESOURCE_PACK_H_
