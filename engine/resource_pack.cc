#include "engine/resource_pack.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "engine/inflate.h"
#include "platform/byte_cursor.h"
#include "platform/messages.h"

namespace lexora {
namespace {

// The directory is read from the file in steps that double, up to this
// much: a pack whose directory is larger is refused.
constexpr std::size_t kFirstDirectoryRead = std::size_t{64} << 10;
constexpr std::size_t kMaxDirectorySize = std::size_t{64} << 20;
// The most bytes one step of a streamed entry holds.
constexpr std::size_t kStreamStep = std::size_t{64} << 10;

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
  if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<ResourcePack> ResourcePack::open(const std::string& path) {
  if (path.empty()) return nullptr;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return nullptr;
  std::unique_ptr<ResourcePack> pack(new (std::nothrow) ResourcePack());
  if (!pack) {
    ::close(fd);
    out_of_memory_stop();
  }
  pack->fd_ = fd;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return nullptr;
  pack->data_size_ = static_cast<std::uint64_t>(st.st_size);
  // The directory is copied out of the file, never mapped: a file cut short
  // while open must make reads fail, not bring the process down.
  std::size_t want = kFirstDirectoryRead;
  for (;;) {
    const std::size_t size =
        static_cast<std::size_t>(std::min<std::uint64_t>(want, pack->data_size_));
    try {
      pack->directory_.resize(size);
    } catch (const std::bad_alloc&) {
      out_of_memory_stop();
    }
    if (!pack->read_at(0, pack->directory_)) return nullptr;
    pack->base_ = pack->directory_.data();
    pack->size_ = size;
    pack->index_.clear();
    bool needs_more = false;
    if (pack->index_directory(&needs_more)) break;
    if (!needs_more || size >= kMaxDirectorySize) return nullptr;
    want = std::min(kMaxDirectorySize, want * 2);
  }
  return pack;
}

std::unique_ptr<ResourcePack> ResourcePack::from_memory(std::span<const std::uint8_t> bytes) {
  std::unique_ptr<ResourcePack> pack(new ResourcePack());
  pack->base_ = bytes.data();
  pack->size_ = bytes.size();
  pack->memory_ = bytes;
  pack->data_size_ = bytes.size();
  bool needs_more = false;
  if (!pack->index_directory(&needs_more)) return nullptr;
  return pack;
}

bool ResourcePack::read_at(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (fd_ < 0) {
    if (offset > memory_.size() || out.size() > memory_.size() - offset) return false;
    std::memcpy(out.data(), memory_.data() + offset, out.size());
    return true;
  }
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n =
        ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;  // a read error, or the file is shorter now
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool ResourcePack::index_directory(bool* needs_more) {
  ByteCursor cur(base_, size_);
  // A read past what has been loaded of a longer file asks for more of it.
  const auto out_of_bytes = [&] {
    *needs_more = size_ < data_size_;
    return false;
  };
  std::span<const std::uint8_t> magic;
  std::uint32_t count = 0;
  if (!cur.read_bytes(sizeof kPackMagic, &magic) ||
      std::memcmp(magic.data(), kPackMagic, sizeof kPackMagic) != 0 || !cur.read_i16(&version_) ||
      version_ > kMaxPackVersion || !cur.read_u32(&count) || !cur.seek(kPackHeaderSize)) {
    return size_ < kPackHeaderSize ? out_of_bytes() : false;
  }
  // Each record takes at least its 0 unit and its three fields, so a count
  // the rest of the file cannot hold is rejected before anything is reserved.
  constexpr std::size_t kMinRecordSize = 2 + kPackRecordFieldsSize;
  if (count > (data_size_ - kPackHeaderSize) / kMinRecordSize ||
      count > kMaxDirectorySize / kMinRecordSize) {
    return false;
  }
  index_.reserve(count);

  for (std::uint32_t i = 0; i < count; ++i) {
    IndexEntry e{};
    e.name_offset = static_cast<std::uint32_t>(cur.position());
    std::span<const std::uint8_t> name;
    std::size_t units = 0;
    if (!cur.read_u16string_le(&name, &units)) return out_of_bytes();
    e.name_units = static_cast<std::uint32_t>(units);
    e.fields_offset = static_cast<std::uint32_t>(cur.position());
    std::uint32_t offset = 0, size = 0, packed = 0;
    if (!cur.read_u32(&offset) || !cur.read_u32(&size) || !cur.read_u32(&packed)) {
      return out_of_bytes();
    }
    // Size 0 marks an entry that is never read, whatever its other fields say.
    if (size != 0) {
      std::uint64_t stored = packed != 0 ? packed : size;
      // One record whose data lies outside the file is dropped alone: the
      // records after it are still found where they should be.
      if (offset > data_size_ || stored > data_size_ - offset) continue;
      if (packed != 0 && !inflated_size_believable(packed, size)) return false;
    }
    index_.push_back(e);
  }
  // Data that would lie over the header or the directory cannot be an
  // entry's: such records are dropped too, the rest kept.
  const std::size_t directory_end = cur.position();
  std::erase_if(index_, [&](const IndexEntry& e) {
    return field(e, kSizeField) != 0 && field(e, kOffsetField) < directory_end;
  });

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
  auto it = std::partition_point(index_.begin(), index_.end(),
                                 [&](const IndexEntry& e) { return compare_name(e, name) < 0; });
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
                                             std::vector<std::uint8_t>* buffer,
                                             std::size_t max_size) const {
  if (buffer == nullptr) return nullptr;
  buffer->clear();
  const std::ptrdiff_t pos = find(name);
  if (pos < 0) return nullptr;
  const IndexEntry& e = index_[static_cast<std::size_t>(pos)];
  const std::uint32_t offset = field(e, kOffsetField);
  const std::uint32_t size = field(e, kSizeField);
  const std::uint32_t packed = field(e, kPackedSizeField);
  if (size == 0 || size > max_size) return nullptr;

  if (packed == 0) {
    try {
      buffer->resize(size);
    } catch (const std::bad_alloc&) {
      out_of_memory_stop();
    }
    if (!read_at(offset, *buffer)) {
      buffer->clear();
      return nullptr;
    }
  } else {
    // The recorded size is only a claim: the buffer grows with the output,
    // and a stream longer than the claim is unreadable.
    bool no_memory = false;
    const bool whole = inflate_streaming(
        packed_reader(offset, packed), size, std::min<std::size_t>(kStreamStep, size + 1),
        [&](std::span<const std::uint8_t> piece) {
          try {
            buffer->insert(buffer->end(), piece.begin(), piece.end());
          } catch (const std::bad_alloc&) {
            no_memory = true;
            return false;
          }
          return true;
        });
    if (no_memory) out_of_memory_stop();
    // An empty stream is as unreadable as an entry of size 0.
    if (!whole || buffer->empty()) {
      buffer->clear();
      return nullptr;
    }
  }
  if (size_out != nullptr) *size_out = static_cast<std::uint32_t>(buffer->size());
  return buffer->data();
}

std::function<std::ptrdiff_t(std::span<std::uint8_t>)> ResourcePack::packed_reader(
    std::uint32_t offset, std::uint32_t packed) const {
  auto at = std::make_shared<std::uint64_t>(offset);
  const std::uint64_t end = std::uint64_t{offset} + packed;
  return [this, at, end](std::span<std::uint8_t> out) -> std::ptrdiff_t {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), end - *at));
    if (n == 0) return 0;
    if (!read_at(*at, out.first(n))) return -1;
    *at += n;
    return static_cast<std::ptrdiff_t>(n);
  };
}

bool ResourcePack::stream_entry(std::u16string_view name,
                                const std::function<bool(std::span<const std::uint8_t>)>& sink,
                                std::size_t max_size) const {
  const std::ptrdiff_t pos = find(name);
  if (pos < 0) return false;
  const IndexEntry& e = index_[static_cast<std::size_t>(pos)];
  const std::uint32_t offset = field(e, kOffsetField);
  const std::uint32_t size = field(e, kSizeField);
  const std::uint32_t packed = field(e, kPackedSizeField);
  if (size == 0 || size > max_size) return false;
  if (packed != 0) return inflate_streaming(packed_reader(offset, packed), size, kStreamStep, sink);
  std::vector<std::uint8_t> step(std::min<std::size_t>(kStreamStep, size));
  for (std::uint64_t done = 0; done < size;) {
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(step.size(), size - done));
    const std::span<std::uint8_t> piece(step.data(), n);
    if (!read_at(offset + done, piece) || !sink(piece)) return false;
    done += n;
  }
  return true;
}

std::string pack_path_for(const std::string& dictionary_path) {
  std::size_t dot = dictionary_path.rfind('.');
  if (dot == std::string::npos) return {};
  return dictionary_path.substr(0, dot) + std::string(kPackExtension);
}

}  // namespace lexora
