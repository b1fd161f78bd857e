#include "compiler/block_compressor.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

namespace lexora::compiler {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Inflates one whole zlib stream (header and Adler-32 checked by zlib);
// fails unless it ends exactly at the end of `packed`.
::testing::AssertionResult inflates_to(const Bytes& packed, const Bytes& expected) {
  Bytes out(expected.size() + 1);
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return ::testing::AssertionFailure() << "inflateInit";
  z.next_in = const_cast<Bytef*>(packed.data());
  z.avail_in = static_cast<uInt>(packed.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&z, Z_FINISH);
  const std::size_t produced = out.size() - z.avail_out;
  const uInt left = z.avail_in;
  inflateEnd(&z);
  if (result != Z_STREAM_END) return ::testing::AssertionFailure() << "inflate gave " << result;
  if (left != 0) return ::testing::AssertionFailure() << left << " bytes after the stream";
  out.resize(produced);
  if (out != expected)
    return ::testing::AssertionFailure()
           << "inflated " << produced << " bytes, not the " << expected.size() << " given";
  return ::testing::AssertionSuccess();
}

Bytes random_bytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

// Article-like text: words from a small vocabulary, so it packs but not trivially.
Bytes text_bytes(std::size_t size, unsigned seed) {
  static const char* const kWords[] = {"<b>",      "noun", "</b> ",   "the ", "of a ", "house ",
                                       "dwelling", ", ",   "[Obs.] ", "\n",   "<i>",   "</i>"};
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) text += kWords[random() % std::size(kWords)];
  text.resize(size);
  return Bytes(text.begin(), text.end());
}

Bytes pack(const Bytes& bytes, BlockCompression compression) {
  return compress_stream(bytes.data(), bytes.size(), compression);
}

TEST(BlockCompressorTest, EveryDeflateInflatesBackToItsInput) {
  const Bytes repetitive = [] {
    Bytes b;
    while (b.size() < 40000) b.insert(b.end(), {'a', 'b', 'c', 'd', 'e', 0});
    return b;
  }();
  const std::pair<const char*, Bytes> inputs[] = {
      {"empty", {}},
      {"one byte", {0x7f}},
      {"random, more than 64 KiB", random_bytes(70000, 1)},
      {"repetitive", repetitive},
      {"text over 1 MiB", text_bytes(1300000, 2)},
      {"random over 1 MiB", random_bytes(1100000, 3)},
  };
  for (const BlockCompression compression :
       {BlockCompression::kFast, BlockCompression::kZlibDefault}) {
    for (const auto& [name, input] : inputs) {
      const Bytes packed = pack(input, compression);
      EXPECT_TRUE(inflates_to(packed, input)) << name;
      // Incompressible bytes cost little more than their size.
      EXPECT_LE(packed.size(), input.size() + input.size() / 1000 + 64) << name;
    }
    EXPECT_LT(pack(repetitive, compression).size(), repetitive.size() / 50);
  }
}

TEST(BlockCompressorTest, FastDeflateDiffersFromZlibsAndIsRepeatable) {
  const Bytes text = text_bytes(17600, 4);
  const Bytes fast = pack(text, BlockCompression::kFast);
  EXPECT_NE(fast, pack(text, BlockCompression::kZlibDefault));
  EXPECT_EQ(pack(text, BlockCompression::kFast), fast);
}

// Submits blocks of every kind (text, random, empty, large) and takes them
// back as a writer does, some in flight at once.
std::vector<Bytes> compress_all(unsigned threads, const std::vector<Bytes>& blocks) {
  BlockCompressor compressor(threads, BlockCompression::kFast);
  std::vector<Bytes> packed;
  Bytes filling, taken;
  auto take_one = [&] {
    std::size_t size = 0;
    compressor.take(&size, &taken);
    EXPECT_EQ(size, blocks[packed.size()].size());
    packed.push_back(taken);
  };
  for (const Bytes& block : blocks) {
    filling.assign(block.begin(), block.end());
    compressor.submit(std::move(filling));
    EXPECT_TRUE(filling.empty());
    if (compressor.pending() > 3) take_one();
  }
  while (compressor.pending() > 0) take_one();
  return packed;
}

TEST(BlockCompressorTest, BlocksComeBackInOrderAndTheSameOnAnyNumberOfThreads) {
  std::vector<Bytes> blocks;
  for (unsigned i = 0; i < 40; ++i) {
    if (i % 7 == 3)
      blocks.push_back(random_bytes(5000 + i * 100, i));
    else if (i % 11 == 5)
      blocks.emplace_back();
    else
      blocks.push_back(text_bytes(i == 20 ? 1200000 : 17600 - i * 50, i));
  }
  const std::vector<Bytes> alone = compress_all(0, blocks);
  ASSERT_EQ(alone.size(), blocks.size());
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_TRUE(inflates_to(alone[i], blocks[i])) << i;
    // A compressor's reused state and buffers make the same bytes as a fresh one.
    EXPECT_EQ(alone[i], pack(blocks[i], BlockCompression::kFast)) << i;
  }
  EXPECT_EQ(compress_all(3, blocks), alone);
}

}  // namespace
}  // namespace lexora::compiler
