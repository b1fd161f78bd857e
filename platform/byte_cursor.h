// Bounds-checked little-endian reading and writing of byte buffers.
//
// Every decoder of a file format (dictionaries, packs, colour profiles,
// flash-card databases, pictures) reads through ByteCursor, so that no length,
// count or offset taken from a file can move a read outside the data. A failed
// read returns false and leaves the cursor where it was; nothing is read past
// the end. The cursor does not own the bytes: they must outlive it.
#ifndef LEXORA_PLATFORM_BYTE_CURSOR_H_
#define LEXORA_PLATFORM_BYTE_CURSOR_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace lexora {

class ByteCursor {
 public:
  ByteCursor() = default;
  ByteCursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  explicit ByteCursor(std::span<const std::uint8_t> bytes)
      : data_(bytes.data()), size_(bytes.size()) {}

  std::size_t size() const { return size_; }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return size_ - pos_; }
  bool at_end() const { return pos_ == size_; }
  const std::uint8_t* data() const { return data_; }

  // Moves to an absolute position; fails (cursor unchanged) past the end.
  bool seek(std::size_t pos) {
    if (pos > size_) return false;
    pos_ = pos;
    return true;
  }
  bool skip(std::size_t n) {
    if (n > remaining()) return false;
    pos_ += n;
    return true;
  }

  bool read_u8(std::uint8_t* out) {
    if (remaining() < 1) return false;
    *out = data_[pos_++];
    return true;
  }
  bool read_u16(std::uint16_t* out) {
    if (remaining() < 2) return false;
    *out = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool read_i16(std::int16_t* out) {
    std::uint16_t v;
    if (!read_u16(&v)) return false;
    *out = static_cast<std::int16_t>(v);
    return true;
  }
  bool read_u32(std::uint32_t* out) {
    if (remaining() < 4) return false;
    *out = static_cast<std::uint32_t>(data_[pos_]) |
           (static_cast<std::uint32_t>(data_[pos_ + 1]) << 8) |
           (static_cast<std::uint32_t>(data_[pos_ + 2]) << 16) |
           (static_cast<std::uint32_t>(data_[pos_ + 3]) << 24);
    pos_ += 4;
    return true;
  }
  bool read_i32(std::int32_t* out) {
    std::uint32_t v;
    if (!read_u32(&v)) return false;
    *out = static_cast<std::int32_t>(v);
    return true;
  }
  // Big-endian reads, for the formats that store them (the flash-card database).
  bool read_u16_be(std::uint16_t* out) {
    if (remaining() < 2) return false;
    *out = static_cast<std::uint16_t>((data_[pos_] << 8) | data_[pos_ + 1]);
    pos_ += 2;
    return true;
  }
  bool read_u32_be(std::uint32_t* out) {
    if (remaining() < 4) return false;
    *out = (static_cast<std::uint32_t>(data_[pos_]) << 24) |
           (static_cast<std::uint32_t>(data_[pos_ + 1]) << 16) |
           (static_cast<std::uint32_t>(data_[pos_ + 2]) << 8) |
           static_cast<std::uint32_t>(data_[pos_ + 3]);
    pos_ += 4;
    return true;
  }

  // A view of the next n bytes; the cursor moves past them.
  bool read_bytes(std::size_t n, std::span<const std::uint8_t>* out) {
    if (n > remaining()) return false;
    *out = std::span<const std::uint8_t>(data_ + pos_, n);
    pos_ += n;
    return true;
  }

  // Reads an 8-bit string up to its 0 byte (the 0 is consumed, not returned).
  // Fails when no 0 byte lies before the end.
  bool read_cstring(std::string_view* out) {
    for (std::size_t i = pos_; i < size_; ++i) {
      if (data_[i] == 0) {
        *out = std::string_view(reinterpret_cast<const char*>(data_ + pos_), i - pos_);
        pos_ = i + 1;
        return true;
      }
    }
    return false;
  }

  // Reads a UTF-16LE string up to its 0 code unit; `units` receives its
  // length in code units without the terminator. Fails without a terminator.
  bool read_u16string_le(std::span<const std::uint8_t>* bytes, std::size_t* units) {
    for (std::size_t i = pos_; i + 1 < size_; i += 2) {
      if (data_[i] == 0 && data_[i + 1] == 0) {
        *bytes = std::span<const std::uint8_t>(data_ + pos_, i - pos_);
        *units = (i - pos_) / 2;
        pos_ = i + 2;
        return true;
      }
    }
    return false;
  }

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t pos_ = 0;
};

// Appends little-endian values to a growing byte vector (the compilers' side).
class ByteWriter {
 public:
  explicit ByteWriter(std::vector<std::uint8_t>* out) : out_(out) {}

  std::size_t position() const { return out_->size(); }
  void put_u8(std::uint8_t v) { out_->push_back(v); }
  void put_u16(std::uint16_t v) {
    out_->push_back(static_cast<std::uint8_t>(v));
    out_->push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void put_u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void put_u16_be(std::uint16_t v) {
    out_->push_back(static_cast<std::uint8_t>(v >> 8));
    out_->push_back(static_cast<std::uint8_t>(v));
  }
  void put_u32_be(std::uint32_t v) {
    for (int i = 3; i >= 0; --i) out_->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void put_bytes(std::span<const std::uint8_t> bytes) {
    out_->insert(out_->end(), bytes.begin(), bytes.end());
  }
  void put_bytes(std::string_view bytes) { out_->insert(out_->end(), bytes.begin(), bytes.end()); }
  void put_zeros(std::size_t n) { out_->insert(out_->end(), n, 0); }
  // Overwrites four bytes written earlier (sizes and offsets known only later).
  void patch_u32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) (*out_)[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }

 private:
  std::vector<std::uint8_t>* out_;
};

}  // namespace lexora

#endif  // LEXORA_PLATFORM_BYTE_CURSOR_H_
