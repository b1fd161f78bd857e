#include "engine/inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

namespace lexora {
namespace {

std::vector<std::uint8_t> deflate_bytes(const std::vector<std::uint8_t>& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::vector<std::uint8_t> out(size);
  EXPECT_EQ(compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 9), Z_OK);
  out.resize(size);
  return out;
}

// A claimed size is only a limit: the buffer grows with the real output.
TEST(InflateTest, FalseClaimCostsOnlyTheRealOutput) {
  const std::vector<std::uint8_t> data(1000, 'x');
  std::vector<char> out;
  ASSERT_EQ(inflate_bounded(deflate_bytes(data), kMaxBlockSize, &out), InflateResult::kOk);
  EXPECT_EQ(out.size(), data.size());
  EXPECT_LT(out.capacity(), std::size_t{64} << 10);
}

TEST(InflateTest, StreamLongerThanTheLimitOrCutIsBadData) {
  const std::vector<std::uint8_t> bomb = deflate_bytes(std::vector<std::uint8_t>(8 << 20, 0));
  std::vector<std::uint8_t> out;
  EXPECT_EQ(inflate_bounded(bomb, 1 << 20, &out), InflateResult::kBadData);
  EXPECT_EQ(out.capacity(), 0u);  // given back
  const std::vector<std::uint8_t> data(5000, 'y');
  std::vector<std::uint8_t> packed = deflate_bytes(data);
  EXPECT_EQ(inflate_bounded(packed, data.size(), &out), InflateResult::kOk);
  EXPECT_EQ(inflate_bounded(packed, data.size() - 1, &out), InflateResult::kBadData);
  packed.resize(packed.size() / 2);
  EXPECT_EQ(inflate_bounded(packed, data.size(), &out), InflateResult::kBadData);
}

TEST(InflateTest, StreamingHandsOverBoundedPiecesAndStopsAtTheLimit) {
  std::vector<std::uint8_t> data(300000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 / 13);
  const std::vector<std::uint8_t> packed = deflate_bytes(data);
  const auto reader = [&packed](std::size_t* at) {
    return [&packed, at](std::span<std::uint8_t> out) -> std::ptrdiff_t {
      const std::size_t n = std::min(out.size(), packed.size() - *at);
      std::copy_n(packed.begin() + static_cast<std::ptrdiff_t>(*at), n, out.begin());
      *at += n;
      return static_cast<std::ptrdiff_t>(n);
    };
  };
  std::vector<std::uint8_t> got;
  std::size_t largest = 0;
  const auto sink = [&](std::span<const std::uint8_t> piece) {
    largest = std::max(largest, piece.size());
    got.insert(got.end(), piece.begin(), piece.end());
    return true;
  };
  std::size_t at = 0;
  ASSERT_TRUE(inflate_streaming(reader(&at), data.size(), 4096, sink));
  EXPECT_EQ(got, data);
  EXPECT_LE(largest, 4096u);
  at = 0;
  got.clear();
  EXPECT_FALSE(inflate_streaming(reader(&at), data.size() - 1, 4096, sink));
  EXPECT_LE(got.size(), data.size());
}

}  // namespace
}  // namespace lexora
