// The one safety cap on sizes that a deflate stream claims to unpack to.
//
// Deflate cannot expand data by more than 1032:1 (a 258-byte match per two
// bits). A header, block or directory entry promising more than that for its
// packed bytes is not believed, so a few corrupt bytes cannot ask for
// gigabytes of memory. The slack covers the fixed overhead of tiny streams.
// Checked before anything is allocated for the unpacked data.
#ifndef LEXORA_ENGINE_INFLATE_LIMIT_H_
#define LEXORA_ENGINE_INFLATE_LIMIT_H_

#include <cstdint>

namespace lexora {

inline constexpr std::uint64_t kMaxInflateRatio = 1032;
inline constexpr std::uint64_t kInflateSlack = 1024;

// Whether `packed` deflated bytes can genuinely unpack to `unpacked` bytes.
constexpr bool inflated_size_believable(std::uint64_t packed, std::uint64_t unpacked) {
  return unpacked <= packed * kMaxInflateRatio + kInflateSlack;
}

}  // namespace lexora

#endif  // LEXORA_ENGINE_INFLATE_LIMIT_H_
