#include "engine/resource_pack.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/inflate_limit.h"
#include "platform/byte_cursor.h"
#include "platform/messages.h"

namespace lexora {
namespace {

constexpr char16_t kSlash = u'/';
constexpr char16_t kBackslash = u'\\';

// Field positions within the 12 bytes after a name.
constexpr std::size_t kOffsetField = 0;
constexpr std::size_t kSizeField = 1;
constexpr std::size_t kPackedSizeField = 2;

char16_t key_unit(std::u16string_view key, std::size_t i) {
  return key[i] == kSlash ? kBackslash : key[i];
}

// Next code point of a UTF-16 sequence given by `unit_at`; unpaired
// surrogates stand for themselves.
template <typename UnitAt>
UChar32 next_code_point(UnitAt unit_at, std::size_t length, std::size_t* i) {
  char16_t lead = unit_at(*i);
  ++*i;
  if (U16_IS_LEAD(lead) && *i < length) {
    char16_t trail = unit_at(*i);
    if (U16_IS_TRAIL(trail)) {
      ++*i;
      return U16_GET_SUPPLEMENTARY(lead, trail);
    }
  }
  return lead;
}

}  // namespace

ResourcePack::~ResourcePack() {
  if (mapping_ != nullptr) munmap(mapping_, size_);
}

std::unique_ptr<ResourcePack> ResourcePack::open(const std::string& path) {
  if (path.empty()) return nullptr;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
      static_cast<std::uint64_t>(st.st_size) > SIZE_MAX) {
    ::close(fd);
    return nullptr;
  }
  std::size_t size = static_cast<std::size_t>(st.st_size);
  void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  // The mapping keeps the file's pages reachable; the descriptor is not needed.
  ::close(fd);
  if (map == MAP_FAILED) return nullptr;

  std::unique_ptr<ResourcePack> pack(new (std::nothrow) ResourcePack());
  if (!pack) {
    munmap(map, size);
    out_of_memory_stop();
  }
  pack->mapping_ = map;
  pack->base_ = static_cast<const std::uint8_t*>(map);
  pack->size_ = size;
  if (!pack->index_directory()) return nullptr;
  return pack;
}

std::unique_ptr<ResourcePack> ResourcePack::from_memory(std::span<const std::uint8_t> bytes) {
  std::unique_ptr<ResourcePack> pack(new ResourcePack());
  pack->base_ = bytes.data();
  pack->size_ = bytes.size();
  if (!pack->index_directory()) return nullptr;
  return pack;
}

bool ResourcePack::index_directory() {
  ByteCursor cur(base_, size_);
  std::span<const std::uint8_t> magic;
  std::uint32_t count = 0;
  if (!cur.read_bytes(sizeof kPackMagic, &magic) ||
      std::memcmp(magic.data(), kPackMagic, sizeof kPackMagic) != 0 ||
      !cur.read_i16(&version_) || version_ > kMaxPackVersion || !cur.read_u32(&count) ||
      !cur.seek(kPackHeaderSize)) {
    return false;
  }
  // Each record takes at least its 0 unit and its three fields, so a count
  // the rest of the file cannot hold is rejected before anything is reserved.
  constexpr std::size_t kMinRecordSize = 2 + kPackRecordFieldsSize;
  if (count > cur.remaining() / kMinRecordSize) return false;
  index_.reserve(count);

  for (std::uint32_t i = 0; i < count; ++i) {
    IndexEntry e{};
    e.name_offset = static_cast<std::uint32_t>(cur.position());
    std::span<const std::uint8_t> name;
    std::size_t units = 0;
    if (!cur.read_u16string_le(&name, &units)) return false;
    e.name_units = static_cast<std::uint32_t>(units);
    e.fields_offset = static_cast<std::uint32_t>(cur.position());
    std::uint32_t offset = 0, size = 0, packed = 0;
    if (!cur.read_u32(&offset) || !cur.read_u32(&size) || !cur.read_u32(&packed)) return false;
    // Size 0 marks an entry that is never read, whatever its other fields say.
    if (size != 0) {
      std::uint64_t stored = packed != 0 ? packed : size;
      if (offset > size_ || stored > size_ - offset) return false;
      if (packed != 0 && !inflated_size_believable(packed, size)) {
        return false;
      }
    }
    index_.push_back(e);
  }

  if (version_ == kUnsortedPackVersion) {
    std::sort(index_.begin(), index_.end(), [this](const IndexEntry& a, const IndexEntry& b) {
      std::size_t n = std::min(a.name_units, b.name_units);
      for (std::size_t i = 0; i < n; ++i) {
        char16_t ua = name_unit(a, i), ub = name_unit(b, i);
        if (ua != ub) return ua < ub;
      }
      return a.name_units < b.name_units;
    });
  }
  return true;
}

char16_t ResourcePack::name_unit(const IndexEntry& e, std::size_t i) const {
  const std::uint8_t* p = base_ + e.name_offset + 2 * i;
  return static_cast<char16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ResourcePack::field(const IndexEntry& e, std::size_t which) const {
  const std::uint8_t* p = base_ + e.fields_offset + 4 * which;
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

int ResourcePack::compare_name(const IndexEntry& e, std::u16string_view key) const {
  std::size_t n = std::min<std::size_t>(e.name_units, key.size());
  for (std::size_t i = 0; i < n; ++i) {
    char16_t a = name_unit(e, i), b = key_unit(key, i);
    if (a != b) return a < b ? -1 : 1;
  }
  if (e.name_units == key.size()) return 0;
  return e.name_units < key.size() ? -1 : 1;
}

// Simple case folding per code point, the way the platform compares wide
// strings with case ignored (one character against one character).
bool ResourcePack::names_equal_ignoring_case(const IndexEntry& e, std::u16string_view key) const {
  std::size_t i = 0, j = 0;
  auto stored = [&](std::size_t k) { return name_unit(e, k); };
  auto wanted = [&](std::size_t k) { return key_unit(key, k); };
  while (i < e.name_units && j < key.size()) {
    UChar32 a = next_code_point(stored, e.name_units, &i);
    UChar32 b = next_code_point(wanted, key.size(), &j);
    if (a != b && u_foldCase(a, U_FOLD_CASE_DEFAULT) != u_foldCase(b, U_FOLD_CASE_DEFAULT)) {
      return false;
    }
  }
  return i == e.name_units && j == key.size();
}

std::ptrdiff_t ResourcePack::find(std::u16string_view name) const {
  auto it = std::partition_point(index_.begin(), index_.end(), [&](const IndexEntry& e) {
    return compare_name(e, name) < 0;
  });
  if (it == index_.end() || !names_equal_ignoring_case(*it, name)) return -1;
  return it - index_.begin();
}

PackEntryInfo ResourcePack::entry(std::size_t i) const {
  const IndexEntry& e = index_[i];
  PackEntryInfo info;
  info.name.resize(e.name_units);
  for (std::size_t k = 0; k < e.name_units; ++k) info.name[k] = name_unit(e, k);
  info.offset = field(e, kOffsetField);
  info.size = field(e, kSizeField);
  info.packed_size = field(e, kPackedSizeField);
  return info;
}

const std::uint8_t* ResourcePack::read_entry(std::u16string_view name, std::uint32_t* size_out,
                                             std::vector<std::uint8_t>* buffer) const {
  std::ptrdiff_t pos = find(name);
  if (pos < 0) return nullptr;
  const IndexEntry& e = index_[static_cast<std::size_t>(pos)];
  std::uint32_t offset = field(e, kOffsetField);
  std::uint32_t size = field(e, kSizeField);
  std::uint32_t packed = field(e, kPackedSizeField);
  if (size == 0) return nullptr;

  if (packed == 0) {
    if (buffer != nullptr) buffer->clear();
    if (size_out != nullptr) *size_out = size;
    return base_ + offset;
  }
  if (buffer == nullptr) return nullptr;
  try {
    buffer->resize(size);
  } catch (const std::bad_alloc&) {
    out_of_memory_stop();
  }
  uLongf filled = size;
  int rc = ::uncompress(buffer->data(), &filled, base_ + offset, packed);
  if (rc == Z_MEM_ERROR) out_of_memory_stop();
  if (rc != Z_OK || filled == 0) {
    // Not a whole stream that fits in `size` bytes: a truncated picture or
    // sound is no use to anyone, so the entry is unreadable. An empty stream
    // is as unreadable as an entry of size 0.
    buffer->clear();
    return nullptr;
  }
  buffer->resize(filled);
  if (size_out != nullptr) *size_out = static_cast<std::uint32_t>(filled);
  return buffer->data();
}

std::string pack_path_for(const std::string& dictionary_path) {
  std::size_t dot = dictionary_path.rfind('.');
  if (dot == std::string::npos) return {};
  return dictionary_path.substr(0, dot) + std::string(kPackExtension);
}

}  // namespace lexora
