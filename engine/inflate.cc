#include "engine/inflate.h"

#include <zlib.h>

#include <algorithm>
#include <new>

namespace lexora {
namespace {

// First guess of the unpacked size, as a multiple of the packed size.
constexpr std::uint64_t kFirstGuessRatio = 8;
constexpr std::uint64_t kMinFirstGuess = 4096;

}  // namespace

template <typename Byte>
InflateResult inflate_bounded(std::span<const std::uint8_t> in, std::size_t limit,
                              std::vector<Byte>* out) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return InflateResult::kNoMemory;
  zs.next_in = const_cast<Bytef*>(in.data());
  zs.avail_in = static_cast<uInt>(in.size());
  const std::uint64_t guess = std::max<std::uint64_t>(in.size() * kFirstGuessRatio, kMinFirstGuess);
  InflateResult result = InflateResult::kOk;
  std::size_t produced = 0;
  try {
    out->clear();
    out->resize(static_cast<std::size_t>(std::min<std::uint64_t>(limit, guess)));
    for (;;) {
      Byte probe{};
      const bool full = produced == out->size();
      if (full && out->size() < limit) {
        out->resize(static_cast<std::size_t>(
            std::min<std::uint64_t>(limit, std::uint64_t{out->size()} * 2)));
        continue;
      }
      // Full at the limit: the stream must end without another byte.
      zs.next_out = reinterpret_cast<Bytef*>(full ? &probe : out->data() + produced);
      zs.avail_out =
          full ? 1u : static_cast<uInt>(std::min<std::size_t>(out->size() - produced, UINT32_MAX));
      const uInt before = zs.avail_out;
      const int ret = inflate(&zs, Z_NO_FLUSH);
      if (full && zs.avail_out != before) {
        result = InflateResult::kBadData;  // more output than the limit
        break;
      }
      if (!full) produced += before - zs.avail_out;
      if (ret == Z_STREAM_END) break;
      if (ret == Z_MEM_ERROR) {
        result = InflateResult::kNoMemory;
        break;
      }
      // Z_BUF_ERROR with room for output means the input ran out.
      if ((ret != Z_OK && ret != Z_BUF_ERROR) || (zs.avail_out != 0 && zs.avail_in == 0) ||
          (full && zs.avail_in == 0)) {
        result = InflateResult::kBadData;
        break;
      }
    }
  } catch (const std::bad_alloc&) {
    result = InflateResult::kNoMemory;
  }
  inflateEnd(&zs);
  if (result == InflateResult::kOk) {
    out->resize(produced);
  } else {
    std::vector<Byte>().swap(*out);
  }
  return result;
}

template InflateResult inflate_bounded(std::span<const std::uint8_t>, std::size_t,
                                       std::vector<char>*);
template InflateResult inflate_bounded(std::span<const std::uint8_t>, std::size_t,
                                       std::vector<std::uint8_t>*);

bool inflate_streaming(const std::function<std::ptrdiff_t(std::span<std::uint8_t>)>& read_input,
                       std::size_t limit, std::size_t step,
                       const std::function<bool(std::span<const std::uint8_t>)>& sink) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  std::vector<std::uint8_t> input(step);
  std::vector<std::uint8_t> output(step);
  std::size_t total = 0;
  bool ok = false;
  for (bool input_ended = false;;) {
    if (zs.avail_in == 0 && !input_ended) {
      const std::ptrdiff_t n = read_input(input);
      if (n < 0) break;
      input_ended = n == 0;
      zs.next_in = input.data();
      zs.avail_in = static_cast<uInt>(n);
    }
    zs.next_out = output.data();
    zs.avail_out = static_cast<uInt>(output.size());
    const int ret = inflate(&zs, Z_NO_FLUSH);
    const std::size_t got = output.size() - zs.avail_out;
    total += got;
    if (total > limit) break;
    if (got != 0 && !sink(std::span<const std::uint8_t>(output.data(), got))) break;
    if (ret == Z_STREAM_END) {
      ok = true;
      break;
    }
    if (ret != Z_OK && ret != Z_BUF_ERROR) break;
    if (ret == Z_BUF_ERROR && input_ended && zs.avail_in == 0) break;  // cut short
  }
  inflateEnd(&zs);
  return ok;
}

}  // namespace lexora
