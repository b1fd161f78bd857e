// The ".zpak" resource pack beside a dictionary: pictures, sounds and the
// style sheet that articles refer to by name.
//
// File layout (little-endian, unaligned): "Zpak", version (i16), entry count
// (u32), 8 reserved bytes, then the directory records back to back, each a
// UTF-16LE name ended by a 0 unit followed by offset, size and packed size
// (u32 each). Packed size 0 means the data is stored as is; size 0 marks an
// entry that cannot be read.
//
// The whole file is mapped read-only and the directory is indexed in place:
// no name is copied. Version-1 packs may list their records in any order and
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
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
  // A stored entry: returns a pointer into the mapping, valid while this pack
  // lives, and empties *buffer. A packed entry: inflates it into *buffer
  // (owned by the caller) and returns buffer->data(). *size_out receives the
  // number of valid bytes, which is always buffer->size() for a packed entry.
  // A packed entry whose stream ends before `size` bytes yields the bytes it
  // holds (its stream is complete, only the recorded size was generous); one
  // whose stream is longer than `size`, is empty, or does not inflate, yields
  // null.
  // Returns null for a missing name or an entry of size 0. A real lack of
  // memory is the out-of-memory stop.
  const std::uint8_t* read_entry(std::u16string_view name, std::uint32_t* size_out,
                                 std::vector<std::uint8_t>* buffer) const;

  // Position in the index of the entry read_entry(name) would return, or -1.
  std::ptrdiff_t find(std::u16string_view name) const;

 private:
  // Where a record lies in the mapping.
  struct IndexEntry {
    std::uint32_t name_offset;  // first byte of the UTF-16LE name
    std::uint32_t name_units;   // length in code units, without the 0
    std::uint32_t fields_offset;  // the offset field that follows the name
  };

  ResourcePack() = default;
  bool index_directory();
  char16_t name_unit(const IndexEntry& e, std::size_t i) const;
  // <0, 0, >0 as the stored name sorts before, equal to or after `key`, with
  // "/" in `key` taken as "\".
  int compare_name(const IndexEntry& e, std::u16string_view key) const;
  bool names_equal_ignoring_case(const IndexEntry& e, std::u16string_view key) const;
  std::uint32_t field(const IndexEntry& e, std::size_t which) const;

  const std::uint8_t* base_ = nullptr;
  std::size_t size_ = 0;
  void* mapping_ = nullptr;  // non-null when base_ is our own mmap
  std::int16_t version_ = 0;
  std::vector<IndexEntry> index_;
};

// The pack path of a dictionary: everything from the last "." of `path` on
// replaced by ".zpak"; empty when `path` holds no ".". The "." may lie in a
// folder name ("/my.dicts/enru" gives "/my.zpak"), as stored packs expect.
std::string pack_path_for(const std::string& dictionary_path);

}  // namespace lexora

#endif  // LEXORA_ENGINE_RESOURCE_PACK_H_
