#include "import/dictzip_file.h"

#include <fcntl.h>
#include <isa-l/igzip_lib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "platform/byte_cursor.h"

namespace lexora::import {
namespace {

constexpr std::uint8_t kGzipMagic1 = 0x1F;
constexpr std::uint8_t kGzipMagic2 = 0x8B;
constexpr std::uint8_t kDeflate = 8;
constexpr std::uint8_t kFlagHeaderCrc = 0x02;
constexpr std::uint8_t kFlagExtra = 0x04;
constexpr std::uint8_t kFlagName = 0x08;
constexpr std::uint8_t kFlagComment = 0x10;
constexpr std::size_t kFixedHeaderSize = 10;
// The header (with name and comment) must lie within this many bytes.
constexpr std::size_t kMaxHeaderSize = std::size_t{1} << 20;
constexpr std::uint16_t kRandomAccessVersion = 1;
// Chunks of at most 64 KiB: 1 MiB at most, enough for reading in an order
// that strays a little from the file's (an import writing sorted headwords).
constexpr std::size_t kCachedChunks = 16;
// A gzip file without a chunk table is inflated whole; beyond this it is
// taken as damaged (or a decompression bomb).
constexpr std::size_t kMaxWholeText = std::size_t{1} << 30;
constexpr int kRawDeflate = -MAX_WBITS;
constexpr int kGzipWrapper = MAX_WBITS + 16;
// An empty final block (fixed codes): a chunk ends with a full flush, not a
// final block, and a complete stream is what tells that the chunk's last
// block ended where the chunk does. The flush leaves the stream on a byte
// boundary, so these two bytes complete it.
constexpr char kEmptyFinalBlock[] = {0x03, 0x00};

bool fail(std::string* error, std::uint64_t* error_offset, std::string text,
          std::uint64_t offset = 0) {
  *error = std::move(text);
  if (error_offset != nullptr) *error_offset = offset;
  return false;
}

}  // namespace

DictzipFile::DictzipFile() = default;
DictzipFile::~DictzipFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool DictzipFile::read_file(std::uint64_t offset, std::size_t length, std::string* out) const {
  out->resize(length);
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n =
        ::pread(fd_, out->data() + done, length - done, static_cast<off_t>(offset + done));
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool DictzipFile::open(const std::string& path, std::string* error, std::uint64_t* error_offset) {
  path_ = path;
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) return fail(error, error_offset, "cannot open the file");
  file_size_ = static_cast<std::uint64_t>(info.st_size);
  std::string magic;
  compressed_ = file_size_ >= 2 && read_file(0, 2, &magic) &&
                static_cast<std::uint8_t>(magic[0]) == kGzipMagic1 &&
                static_cast<std::uint8_t>(magic[1]) == kGzipMagic2;
  if (!compressed_) {
    size_ = file_size_;
    return true;
  }
  if (!read_header(error, error_offset)) return false;
  if (chunk_length_ == 0) return inflate_whole(error, error_offset);
  return measure_last_chunk(error, error_offset);
}

bool DictzipFile::read_header(std::string* error, std::uint64_t* error_offset) {
  std::string head;
  if (!read_file(0, static_cast<std::size_t>(std::min<std::uint64_t>(file_size_, kMaxHeaderSize)),
                 &head))
    return fail(error, error_offset, "cannot read the file");
  ByteCursor c(reinterpret_cast<const std::uint8_t*>(head.data()), head.size());
  std::uint8_t method = 0, flags = 0;
  if (!c.skip(2) || !c.read_u8(&method) || !c.read_u8(&flags) || !c.skip(6))
    return fail(error, error_offset, "gzip header cut short");
  if (method != kDeflate) return fail(error, error_offset, "not a deflate-compressed gzip file", 2);
  std::vector<std::uint16_t> sizes;
  if ((flags & kFlagExtra) != 0) {
    std::uint16_t extra_length = 0;
    std::span<const std::uint8_t> extra;
    if (!c.read_u16(&extra_length) || !c.read_bytes(extra_length, &extra))
      return fail(error, error_offset, "gzip extra field cut short", kFixedHeaderSize);
    ByteCursor x(extra);
    while (x.remaining() >= 4) {
      const std::size_t field_at = kFixedHeaderSize + 2 + x.position();
      std::uint8_t id1 = 0, id2 = 0;
      std::uint16_t length = 0;
      std::span<const std::uint8_t> data;
      if (!x.read_u8(&id1) || !x.read_u8(&id2) || !x.read_u16(&length) ||
          !x.read_bytes(length, &data))
        return fail(error, error_offset, "gzip extra subfield cut short", field_at);
      if (id1 != 'R' || id2 != 'A') continue;
      ByteCursor ra(data);
      std::uint16_t version = 0, chunk_length = 0, count = 0;
      if (!ra.read_u16(&version) || !ra.read_u16(&chunk_length) || !ra.read_u16(&count) ||
          version != kRandomAccessVersion || chunk_length == 0 || ra.remaining() != count * 2u)
        return fail(error, error_offset, "damaged dictzip chunk table", field_at);
      sizes.resize(count);
      for (std::uint16_t& s : sizes) ra.read_u16(&s);
      chunk_length_ = chunk_length;
    }
  }
  std::string_view ignored;
  if ((flags & kFlagName) != 0 && !c.read_cstring(&ignored))
    return fail(error, error_offset, "gzip file name cut short", c.position());
  if ((flags & kFlagComment) != 0 && !c.read_cstring(&ignored))
    return fail(error, error_offset, "gzip comment cut short", c.position());
  if ((flags & kFlagHeaderCrc) != 0 && !c.skip(2))
    return fail(error, error_offset, "gzip header cut short", c.position());
  std::uint64_t at = c.position();
  chunk_starts_.assign(1, at);
  for (std::uint16_t s : sizes) {
    at += s;
    chunk_starts_.push_back(at);
  }
  if (at > file_size_)
    return fail(error, error_offset, "dictzip chunks run past the end of the file", file_size_);
  if (chunk_length_ != 0 && sizes.empty()) chunk_length_ = 0;  // an empty text
  return true;
}

bool DictzipFile::measure_last_chunk(std::string* error, std::uint64_t* error_offset) {
  const std::size_t last = chunk_count() - 1;
  const std::string* text = chunk(last, error);
  if (text == nullptr) return fail(error, error_offset, *error, chunk_starts_[last]);
  size_ = std::uint64_t{chunk_length_} * last + text->size();
  return true;
}

bool DictzipFile::inflate_whole(std::string* error, std::uint64_t* error_offset) {
  std::string packed;
  if (!read_file(0, static_cast<std::size_t>(file_size_), &packed))
    return fail(error, error_offset, "cannot read the file");
  z_stream z{};
  if (inflateInit2(&z, kGzipWrapper) != Z_OK) return fail(error, error_offset, "out of memory");
  z.next_in = reinterpret_cast<Bytef*>(packed.data());
  z.avail_in = static_cast<uInt>(std::min<std::size_t>(packed.size(), UINT32_MAX));
  int status = Z_OK;
  char buffer[1 << 16];
  while (status == Z_OK && whole_.size() < kMaxWholeText) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    status = inflate(&z, Z_NO_FLUSH);
    whole_.append(buffer, sizeof buffer - z.avail_out);
    if (status == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  const std::uint64_t at = z.total_in;
  inflateEnd(&z);
  if (status != Z_STREAM_END) return fail(error, error_offset, "compressed data is damaged", at);
  size_ = whole_.size();
  return true;
}

bool DictzipFile::inflate_chunk(std::size_t index, std::string* out, std::string* error) {
  const std::uint64_t start = chunk_starts_[index];
  const auto packed_size = static_cast<std::size_t>(chunk_starts_[index + 1] - start);
  if (!read_file(start, packed_size, &packed_)) {
    *error = "cannot read compressed chunk " + std::to_string(index);
    return false;
  }
  // One spare byte, so that inflate can read the flush marker after a full
  // chunk and a chunk that inflates to more than its length is noticed.
  out->resize(std::size_t{chunk_length_} + 1);
  ++chunks_inflated_;
  const bool last = index + 1 == chunk_count();
  if (inflate_chunk_fast(packed_size, last, out)) return true;
  // zlib's streaming inflate, which also tells what is wrong with a chunk.
  z_stream z{};
  if (inflateInit2(&z, kRawDeflate) != Z_OK) {
    *error = "out of memory";
    return false;
  }
  z.next_in = reinterpret_cast<Bytef*>(packed_.data());
  z.avail_in = static_cast<uInt>(packed_size);
  z.next_out = reinterpret_cast<Bytef*>(out->data());
  z.avail_out = chunk_length_ + 1;
  const int status = inflate(&z, Z_SYNC_FLUSH);
  const std::size_t produced = chunk_length_ + 1 - z.avail_out;
  const bool consumed = z.avail_in == 0;
  inflateEnd(&z);
  // Every chunk but the last fills the chunk length exactly.
  if ((status != Z_OK && status != Z_STREAM_END) || !consumed || produced > chunk_length_ ||
      (!last && produced != chunk_length_)) {
    *error = "compressed chunk " + std::to_string(index) + " is damaged";
    return false;
  }
  out->resize(produced);
  return true;
}

bool DictzipFile::inflate_chunk_fast(std::size_t packed_size, bool last, std::string* out) {
  if (!fast_inflater_) fast_inflater_ = std::make_unique<inflate_state>();
  packed_.append(kEmptyFinalBlock, sizeof kEmptyFinalBlock);
  inflate_state& s = *fast_inflater_;
  isal_inflate_init(&s);
  s.crc_flag = ISAL_DEFLATE;  // raw deflate, no wrapper
  s.next_in = reinterpret_cast<std::uint8_t*>(packed_.data());
  s.avail_in = static_cast<std::uint32_t>(packed_.size());
  s.next_out = reinterpret_cast<std::uint8_t*>(out->data());
  s.avail_out = static_cast<std::uint32_t>(out->size());
  const int result = isal_inflate(&s);
  const std::size_t used = packed_.size() - s.avail_in;
  const std::size_t produced = out->size() - s.avail_out;
  // The stream must end (a chunk that inflates to more than its length runs
  // out of room first), every byte of the chunk must be used (the two added
  // ones may be left when the chunk ends the stream itself), and every
  // chunk but the last fills the chunk length exactly.
  if (result != ISAL_DECOMP_OK || s.block_state != ISAL_BLOCK_FINISH || used < packed_size ||
      produced > chunk_length_ || (!last && produced != chunk_length_))
    return false;
  out->resize(produced);
  return true;
}

bool DictzipFile::read_piece(std::size_t index, std::string* out, std::string* error) {
  const std::uint64_t at = std::uint64_t{index} * kPlainPieceLength;
  const std::uint64_t length = std::min<std::uint64_t>(kPlainPieceLength, size_ - at);
  if (read_file(at, static_cast<std::size_t>(length), out)) return true;
  // Only a file cut since it was opened is shorter than its size then.
  *error = "cannot read the file at offset " + std::to_string(at);
  return false;
}

const std::string* DictzipFile::chunk(std::size_t index, std::string* error) {
  for (CachedChunk& c : cache_) {
    if (c.index == index) {
      c.used = ++clock_;
      return &c.text;
    }
  }
  if (cache_.size() < kCachedChunks) cache_.emplace_back();
  CachedChunk& slot = *std::min_element(
      cache_.begin(), cache_.end(), [](const auto& a, const auto& b) { return a.used < b.used; });
  slot.index = SIZE_MAX;
  if (!(compressed_ ? inflate_chunk(index, &slot.text, error)
                    : read_piece(index, &slot.text, error)))
    return nullptr;
  slot.index = index;
  slot.used = ++clock_;
  return &slot.text;
}

bool DictzipFile::read(std::uint64_t offset, std::uint64_t length, std::string* out,
                       std::string* error) {
  out->clear();
  if (offset > size_ || length > size_ - offset) {
    *error = "text range " + std::to_string(offset) + "+" + std::to_string(length) +
             " lies beyond the end of the text (" + std::to_string(size_) + " bytes)";
    return false;
  }
  if (holds_whole_text()) {
    out->assign(whole_, static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    return true;
  }
  // No reservation up front: a damaged chunk table can claim far more text
  // than the file holds, and the chunks themselves then fail to inflate.
  std::uint64_t at = offset;
  const std::uint64_t end = offset + length;
  const std::uint64_t unit = piece_length();
  while (at < end) {
    const std::size_t index = static_cast<std::size_t>(at / unit);
    const std::string* text = chunk(index, error);
    if (text == nullptr) return false;
    const std::uint64_t inside = at - std::uint64_t{index} * unit;
    const std::uint64_t take = std::min<std::uint64_t>(
        end - at, text->size() - std::min<std::uint64_t>(inside, text->size()));
    if (take == 0) {
      *error = "compressed chunk " + std::to_string(index) + " is shorter than its length";
      return false;
    }
    out->append(*text, static_cast<std::size_t>(inside), static_cast<std::size_t>(take));
    at += take;
  }
  return true;
}

}  // namespace lexora::import
