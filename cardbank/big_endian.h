// Bounds-checked big-endian access to the bytes of a flash-card database.
// The library depends on the C++ standard library alone, so it carries its
// own small reader instead of the program's byte cursor.
//
// Every read checks that the whole value lies inside the buffer and fails
// (returning false, output untouched) otherwise; nothing is read past the end.
#ifndef LEXORA_CARDBANK_BIG_ENDIAN_H_
#define LEXORA_CARDBANK_BIG_ENDIAN_H_

#include <cstddef>
#include <cstdint>
#include <span>

namespace lexora::cardbank {

inline bool read_u16_be(std::span<const std::uint8_t> bytes, std::size_t at, std::uint16_t* out) {
  if (at > bytes.size() || bytes.size() - at < 2) return false;
  *out = static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
  return true;
}

inline bool read_u32_be(std::span<const std::uint8_t> bytes, std::size_t at, std::uint32_t* out) {
  if (at > bytes.size() || bytes.size() - at < 4) return false;
  *out = (static_cast<std::uint32_t>(bytes[at]) << 24) |
         (static_cast<std::uint32_t>(bytes[at + 1]) << 16) |
         (static_cast<std::uint32_t>(bytes[at + 2]) << 8) |
         static_cast<std::uint32_t>(bytes[at + 3]);
  return true;
}

// Writers into a buffer the caller has sized; the caller guarantees the room
// (they are used only on images this library lays out itself).
inline void put_u16_be(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t v) {
  bytes[at] = static_cast<std::uint8_t>(v >> 8);
  bytes[at + 1] = static_cast<std::uint8_t>(v);
}

inline void put_u32_be(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t v) {
  bytes[at] = static_cast<std::uint8_t>(v >> 24);
  bytes[at + 1] = static_cast<std::uint8_t>(v >> 16);
  bytes[at + 2] = static_cast<std::uint8_t>(v >> 8);
  bytes[at + 3] = static_cast<std::uint8_t>(v);
}

}  // namespace lexora::cardbank

#endif  // LEXORA_CARDBANK_BIG_ENDIAN_H_
