// Inflating zlib streams whose unpacked size a file claims, without trusting
// the claim: the output buffer starts small and grows only as real output
// arrives, never past a limit, so a false size costs nothing and a real
// bomb costs no more memory than the limit before it is refused.
//
// The limits of what the reader inflates (see README "Limits"):
#ifndef LEXORA_ENGINE_INFLATE_H_
#define LEXORA_ENGINE_INFLATE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "engine/inflate_limit.h"

namespace lexora {

// A .zd words or abbreviations stream, unpacked.
inline constexpr std::size_t kMaxWordsStreamSize = std::size_t{256} << 20;  // 256 MiB
// Headwords (and abbreviations) of one dictionary: the word table costs 8
// bytes each, so 16 Mi of them cost 128 MiB.
inline constexpr std::uint32_t kMaxWordCount = std::uint32_t{1} << 24;
// One article block, unpacked.
inline constexpr std::size_t kMaxBlockSize = std::size_t{64} << 20;  // 64 MiB
// A pack entry read whole when the caller names no smaller cap.
inline constexpr std::size_t kMaxPackEntrySize = std::size_t{64} << 20;  // 64 MiB

enum class InflateResult {
  kOk,
  kBadData,   // damaged, cut short, or longer than the limit
  kNoMemory,  // a real allocation failure
};

// Inflates the whole zlib stream `in` into *out, which ends up holding the
// unpacked bytes: at most `limit` of them (a longer stream is bad data).
template <typename Byte>
InflateResult inflate_bounded(std::span<const std::uint8_t> in, std::size_t limit,
                              std::vector<Byte>* out);

// Inflates the zlib stream that `read_input` supplies (it fills the buffer
// it is given and returns the bytes written, 0 at the end, -1 on a read
// error) and hands the output to `sink` in steps of at most `step` bytes,
// with no buffer larger than that. False for a damaged, cut or failed
// stream, one longer than `limit`, or when `sink` returns false.
bool inflate_streaming(const std::function<std::ptrdiff_t(std::span<std::uint8_t>)>& read_input,
                       std::size_t limit, std::size_t step,
                       const std::function<bool(std::span<const std::uint8_t>)>& sink);

}  // namespace lexora

#endif  // LEXORA_ENGINE_INFLATE_H_
