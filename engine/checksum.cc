// The integrity check: the Adler-32 sum of every byte before the 4-byte
// trailer, started at 0 rather than zlib's usual 1, against the trailer.
#include <zlib.h>

#include <array>

#include "engine/dictionary.h"
#include "platform/byte_cursor.h"

namespace lexora {
namespace {

// The file is summed in pieces of this size through one buffer, so the check
// needs the same memory for any size of file.
constexpr std::size_t kChecksumChunk = 30720;
// Both running sums start at 0.
constexpr uLong kChecksumStart = 0;

}  // namespace

ChecksumResult Dictionary::verify_checksum() {
  if (file_ == nullptr) return kChecksumUnreadable;
  if ((header_.flags & FLAG_HAS_CHECKSUM) == 0) return kChecksumAbsent;
  if (fseeko(file_, 0, SEEK_END) != 0) return kChecksumUnreadable;
  off_t size = ftello(file_);
  if (size < static_cast<off_t>(kChecksumSize) || fseeko(file_, 0, SEEK_SET) != 0) {
    return kChecksumUnreadable;
  }
  std::uint64_t left = static_cast<std::uint64_t>(size) - kChecksumSize;

  std::array<unsigned char, kChecksumChunk> chunk;
  uLong sum = kChecksumStart;
  while (left > 0) {
    std::size_t n = left < chunk.size() ? static_cast<std::size_t>(left) : chunk.size();
    if (std::fread(chunk.data(), 1, n, file_) != n) return kChecksumUnreadable;
    sum = adler32(sum, chunk.data(), static_cast<uInt>(n));
    left -= n;
  }
  std::uint8_t trailer[kChecksumSize];
  if (std::fread(trailer, 1, sizeof trailer, file_) != sizeof trailer) return kChecksumUnreadable;
  std::uint32_t stored = 0;
  ByteCursor trailer_cursor(trailer, sizeof trailer);
  if (!trailer_cursor.read_u32(&stored)) return kChecksumUnreadable;
  return stored == static_cast<std::uint32_t>(sum) ? kChecksumOk : kChecksumMismatch;
}

}  // namespace lexora
