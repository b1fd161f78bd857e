#include "import/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "platform/byte_cursor.h"

namespace lexora::import {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kCentralRecordSize = 46;
constexpr std::size_t kMaxCommentSize = 0xFFFF;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;
constexpr std::uint16_t kNo16 = 0xFFFF;
constexpr std::uint32_t kNo32 = 0xFFFFFFFF;
// Deflate cannot expand data by more than about 1032 to 1.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

bool read_u64(ByteCursor* c, std::uint64_t* out) {
  std::uint32_t low, high;
  const std::size_t at = c->position();
  if (!c->read_u32(&low) || !c->read_u32(&high)) {
    c->seek(at);
    return false;
  }
  *out = (static_cast<std::uint64_t>(high) << 32) | low;
  return true;
}

std::string fold_name(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c == '\\') c = '/';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string_view base_name(std::string_view name) {
  const std::size_t slash = name.rfind('/');
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

// The position of the end record, searched from the end of the archive.
std::optional<std::size_t> find_end_record(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kEndRecordSize) return std::nullopt;
  const std::size_t last = bytes.size() - kEndRecordSize;
  const std::size_t first = last > kMaxCommentSize ? last - kMaxCommentSize : 0;
  for (std::size_t pos = last + 1; pos-- > first;) {
    ByteCursor c(bytes.data() + pos, bytes.size() - pos);
    std::uint32_t signature;
    if (c.read_u32(&signature) && signature == kEndSignature) return pos;
  }
  return std::nullopt;
}

struct Directory {
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  std::uint64_t offset = 0;
};

bool read_zip64_end(std::span<const std::uint8_t> bytes, std::size_t end_pos, Directory* dir,
                    std::string* error) {
  if (end_pos < kZip64LocatorSize) {
    *error = "zip64 directory locator missing";
    return false;
  }
  ByteCursor locator(bytes.data() + end_pos - kZip64LocatorSize, kZip64LocatorSize);
  std::uint32_t signature, disk, disks;
  std::uint64_t end64_offset;
  if (!locator.read_u32(&signature) || signature != kZip64LocatorSignature ||
      !locator.read_u32(&disk) || !read_u64(&locator, &end64_offset) || !locator.read_u32(&disks)) {
    *error = "zip64 directory locator missing";
    return false;
  }
  ByteCursor c(bytes);
  std::uint64_t record_size, entries_on_disk;
  std::uint16_t made_by, needed;
  std::uint32_t this_disk, directory_disk;
  if (end64_offset > bytes.size() || !c.seek(static_cast<std::size_t>(end64_offset)) ||
      !c.read_u32(&signature) || signature != kZip64EndSignature || !read_u64(&c, &record_size) ||
      !c.read_u16(&made_by) || !c.read_u16(&needed) || !c.read_u32(&this_disk) ||
      !c.read_u32(&directory_disk) || !read_u64(&c, &entries_on_disk) ||
      !read_u64(&c, &dir->count) || !read_u64(&c, &dir->size) || !read_u64(&c, &dir->offset)) {
    *error = "zip64 end record damaged";
    return false;
  }
  if (this_disk != 0 || directory_disk != 0 || entries_on_disk != dir->count) {
    *error = "archives on several disks are not supported";
    return false;
  }
  return true;
}

// The zip64 extra field replaces the 32-bit fields that hold 0xFFFFFFFF, in
// the order size, compressed size, offset.
bool apply_zip64_extra(std::span<const std::uint8_t> extra, ZipEntry* e, bool size32,
                       bool compressed32, bool offset32) {
  ByteCursor c(extra);
  while (c.remaining() >= 4) {
    std::uint16_t id = 0, length = 0;
    c.read_u16(&id);
    c.read_u16(&length);
    std::span<const std::uint8_t> data;
    if (!c.read_bytes(length, &data)) return false;
    if (id != kZip64ExtraId) continue;
    ByteCursor f(data);
    if (size32 && !read_u64(&f, &e->size)) return false;
    if (compressed32 && !read_u64(&f, &e->compressed_size)) return false;
    if (offset32 && !read_u64(&f, &e->local_header_offset)) return false;
    return true;
  }
  return !size32 && !compressed32 && !offset32;
}

bool inflate_raw(std::span<const std::uint8_t> in, std::vector<std::uint8_t>* out,
                 std::string* error) {
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
    *error = "out of memory";
    return false;
  }
  // Sizes are below kMaxZipEntrySize, so they fit zlib's 32-bit counters.
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out->data();
  z.avail_out = static_cast<uInt>(out->size());
  const int result = inflate(&z, Z_FINISH);
  const bool ended = result == Z_STREAM_END;
  const std::uint64_t produced = z.total_out;
  inflateEnd(&z);
  if (!ended || produced != out->size()) {
    *error = ended ? "entry shorter than its stated size" : "damaged compressed data";
    return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<ZipArchive> ZipArchive::open(std::span<const std::uint8_t> bytes,
                                             std::string* error) {
  std::unique_ptr<ZipArchive> archive(new ZipArchive(bytes));
  if (!archive->read_directory(error)) return nullptr;
  archive->build_index();
  return archive;
}

bool ZipArchive::read_directory(std::string* error) {
  const std::optional<std::size_t> end_pos = find_end_record(bytes_);
  if (!end_pos) {
    *error = "not a zip archive (no end of directory record)";
    return false;
  }
  ByteCursor end(bytes_.data() + *end_pos, bytes_.size() - *end_pos);
  std::uint32_t signature, size32, offset32;
  std::uint16_t disk, directory_disk, on_disk, count16;
  end.read_u32(&signature);
  if (!end.read_u16(&disk) || !end.read_u16(&directory_disk) || !end.read_u16(&on_disk) ||
      !end.read_u16(&count16) || !end.read_u32(&size32) || !end.read_u32(&offset32)) {
    *error = "end of directory record cut short";
    return false;
  }
  Directory dir{count16, size32, offset32};
  if (count16 == kNo16 || size32 == kNo32 || offset32 == kNo32) {
    if (!read_zip64_end(bytes_, *end_pos, &dir, error)) return false;
  } else if (disk != 0 || directory_disk != 0 || on_disk != count16) {
    *error = "archives on several disks are not supported";
    return false;
  }
  if (dir.offset > bytes_.size() || dir.size > bytes_.size() - dir.offset) {
    *error = "directory lies outside the archive";
    return false;
  }
  if (dir.count > dir.size / kCentralRecordSize) {
    *error = "directory too small for its entry count";
    return false;
  }
  entries_.reserve(static_cast<std::size_t>(dir.count));
  ByteCursor c(bytes_.data() + dir.offset, static_cast<std::size_t>(dir.size));
  for (std::uint64_t i = 0; i < dir.count; ++i) {
    ZipEntry e;
    std::uint16_t made_by, needed, time, date, name_length, extra_length, comment_length,
        start_disk, internal;
    std::uint32_t compressed32, size32e, external, offset32e;
    std::span<const std::uint8_t> name_bytes, extra, comment;
    if (!c.read_u32(&signature) || signature != kCentralSignature || !c.read_u16(&made_by) ||
        !c.read_u16(&needed) || !c.read_u16(&e.flags) || !c.read_u16(&e.method) ||
        !c.read_u16(&time) || !c.read_u16(&date) || !c.read_u32(&e.crc32) ||
        !c.read_u32(&compressed32) || !c.read_u32(&size32e) || !c.read_u16(&name_length) ||
        !c.read_u16(&extra_length) || !c.read_u16(&comment_length) || !c.read_u16(&start_disk) ||
        !c.read_u16(&internal) || !c.read_u32(&external) || !c.read_u32(&offset32e) ||
        !c.read_bytes(name_length, &name_bytes) || !c.read_bytes(extra_length, &extra) ||
        !c.read_bytes(comment_length, &comment)) {
      *error = "directory record " + std::to_string(i) + " damaged";
      return false;
    }
    e.name.assign(reinterpret_cast<const char*>(name_bytes.data()), name_bytes.size());
    e.compressed_size = compressed32;
    e.size = size32e;
    e.local_header_offset = offset32e;
    if (!apply_zip64_extra(extra, &e, size32e == kNo32, compressed32 == kNo32,
                           offset32e == kNo32)) {
      *error = "zip64 sizes of \"" + e.name + "\" missing";
      return false;
    }
    if (!e.name.empty() && e.name.back() == '/') continue;  // a folder
    entries_.push_back(std::move(e));
  }
  return true;
}

void ZipArchive::build_index() {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    exact_.emplace(entries_[i].name, i);
    const std::string folded = fold_name(entries_[i].name);
    folded_.emplace(folded, i);
    auto [it, inserted] = base_names_.emplace(std::string(base_name(folded)), i);
    if (!inserted && it->second != i) it->second = std::numeric_limits<std::size_t>::max();
  }
}

std::optional<std::size_t> ZipArchive::find(std::string_view name) const {
  if (auto it = exact_.find(std::string(name)); it != exact_.end()) return it->second;
  const std::string folded = fold_name(name);
  if (auto it = folded_.find(folded); it != folded_.end()) return it->second;
  if (auto it = base_names_.find(std::string(base_name(folded)));
      it != base_names_.end() && it->second != std::numeric_limits<std::size_t>::max()) {
    return it->second;
  }
  return std::nullopt;
}

bool ZipArchive::extract(std::size_t i, std::vector<std::uint8_t>* out, std::string* error) const {
  const ZipEntry& e = entries_[i];
  if ((e.flags & kFlagEncrypted) != 0) {
    *error = "\"" + e.name + "\" is encrypted";
    return false;
  }
  if (e.method != kMethodStored && e.method != kMethodDeflated) {
    *error = "\"" + e.name + "\" uses compression method " + std::to_string(e.method);
    return false;
  }
  ByteCursor c(bytes_);
  std::uint32_t signature, crc, compressed, size;
  std::uint16_t needed, flags, method, time, date, name_length, extra_length;
  if (e.local_header_offset > bytes_.size() ||
      !c.seek(static_cast<std::size_t>(e.local_header_offset)) || !c.read_u32(&signature) ||
      signature != kLocalSignature || !c.read_u16(&needed) || !c.read_u16(&flags) ||
      !c.read_u16(&method) || !c.read_u16(&time) || !c.read_u16(&date) || !c.read_u32(&crc) ||
      !c.read_u32(&compressed) || !c.read_u32(&size) || !c.read_u16(&name_length) ||
      !c.read_u16(&extra_length) || !c.skip(name_length) || !c.skip(extra_length)) {
    *error = "local header of \"" + e.name + "\" damaged";
    return false;
  }
  std::span<const std::uint8_t> data;
  if (e.compressed_size > c.remaining() ||
      !c.read_bytes(static_cast<std::size_t>(e.compressed_size), &data)) {
    *error = "data of \"" + e.name + "\" runs past the end of the archive";
    return false;
  }
  const bool plausible = e.method == kMethodStored
                             ? e.size == e.compressed_size
                             : e.size <= e.compressed_size * kMaxDeflateRatio + 1024;
  if (e.size > kMaxZipEntrySize || e.compressed_size > 2 * kMaxZipEntrySize || !plausible) {
    *error = "stated size of \"" + e.name + "\" is impossible or too large";
    return false;
  }
  out->assign(static_cast<std::size_t>(e.size), 0);
  if (e.method == kMethodStored) {
    std::copy(data.begin(), data.end(), out->begin());
  } else if (!inflate_raw(data, out, error)) {
    *error = "\"" + e.name + "\": " + *error;
    return false;
  }
  uLong check = crc32(0L, Z_NULL, 0);
  if (!out->empty()) check = crc32(check, out->data(), static_cast<uInt>(out->size()));
  if (check != e.crc32) {
    *error = "\"" + e.name + "\" fails its CRC check";
    out->clear();
    return false;
  }
  return true;
}

}  // namespace lexora::import
