#include <gtest/gtest.h>

#include <array>
#include <string_view>

#include "images/image.h"
#include "platform/byte_cursor.h"
#include "resources/sound_icon.h"

namespace lexora::images {
namespace {

struct BmpSpec {
  std::int32_t width = 2;
  std::int32_t height = 2;
  std::uint16_t bits = 24;
  std::uint32_t compression = 0;
  std::uint32_t header_size = 40;
  std::vector<std::array<std::uint8_t, 3>> palette;  // blue, green, red
  std::uint32_t colours_used = 0;
  std::vector<std::uint32_t> masks;  // written after / inside the header
  std::vector<std::uint8_t> pixels;
};

// A file header, an info header (or a 12-byte core header), the palette,
// masks and pixels as given.
std::vector<std::uint8_t> make_bmp(const BmpSpec& s) {
  std::vector<std::uint8_t> out;
  ByteWriter w(&out);
  const bool core = s.header_size == 12;
  const std::size_t entry = core ? 3 : 4;
  const std::size_t extra_masks = s.header_size == 40 ? s.masks.size() * 4 : 0;
  const std::uint32_t offset =
      static_cast<std::uint32_t>(14 + s.header_size + extra_masks + s.palette.size() * entry);
  w.put_u16(0x4D42);
  w.put_u32(offset + static_cast<std::uint32_t>(s.pixels.size()));
  w.put_u32(0);
  w.put_u32(offset);
  w.put_u32(s.header_size);
  if (core) {
    w.put_u16(static_cast<std::uint16_t>(s.width));
    w.put_u16(static_cast<std::uint16_t>(s.height));
    w.put_u16(1);
    w.put_u16(s.bits);
  } else {
    w.put_u32(static_cast<std::uint32_t>(s.width));
    w.put_u32(static_cast<std::uint32_t>(s.height));
    w.put_u16(1);
    w.put_u16(s.bits);
    w.put_u32(s.compression);
    w.put_u32(static_cast<std::uint32_t>(s.pixels.size()));
    w.put_u32(2835);
    w.put_u32(2835);
    w.put_u32(s.colours_used);
    w.put_u32(0);
    if (s.header_size > 40) {
      for (std::uint32_t i = 0; i < (s.header_size - 40) / 4; ++i) {
        w.put_u32(i < s.masks.size() ? s.masks[i] : 0);
      }
    } else {
      for (std::uint32_t m : s.masks) w.put_u32(m);
    }
  }
  for (const auto& c : s.palette) {
    w.put_u8(c[0]);
    w.put_u8(c[1]);
    w.put_u8(c[2]);
    if (!core) w.put_u8(0);
  }
  w.put_bytes(s.pixels);
  return out;
}

Image decode(const std::vector<std::uint8_t>& bytes) {
  return Image(bytes.data(), bytes.size(), kImageTypeBmp);
}

// Blue, green, red, alpha of pixel (x, y) counted from the top.
std::array<int, 4> px(const Image& image, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* p = image.pixels().pixel(x, y);
  return {p[0], p[1], p[2], p[3]};
}

using Px = std::array<int, 4>;

TEST(BmpDecoder, TwentyFourBitRowsAreBottomUpAndPadded) {
  BmpSpec s;
  // Bottom row first: blue, green; then the top row: red, white. Each row
  // of 6 bytes is padded to 8.
  s.pixels = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0};
  const Image image = decode(make_bmp(s));
  ASSERT_EQ(image.width(), 2u);
  ASSERT_EQ(image.height(), 2u);
  EXPECT_EQ(px(image, 0, 0), (Px{0, 0, 255, 255}));
  EXPECT_EQ(px(image, 1, 0), (Px{255, 255, 255, 255}));
  EXPECT_EQ(px(image, 0, 1), (Px{255, 0, 0, 255}));
  EXPECT_EQ(px(image, 1, 1), (Px{0, 255, 0, 255}));
}

TEST(BmpDecoder, NegativeHeightMeansTopDown) {
  BmpSpec s;
  s.height = -2;
  s.pixels = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0};
  const Image image = decode(make_bmp(s));
  ASSERT_EQ(image.height(), 2u);
  EXPECT_EQ(px(image, 0, 0), (Px{255, 0, 0, 255}));
  EXPECT_EQ(px(image, 0, 1), (Px{0, 0, 255, 255}));
}

TEST(BmpDecoder, PaletteDepthsOneFourAndEight) {
  BmpSpec one;
  one.width = 10;
  one.height = 1;
  one.bits = 1;
  one.palette = {{0, 0, 0}, {10, 20, 30}};
  one.pixels = {0b10100000, 0b01000000, 0, 0};
  Image image = decode(make_bmp(one));
  ASSERT_EQ(image.width(), 10u);
  EXPECT_EQ(px(image, 0, 0), (Px{10, 20, 30, 255}));
  EXPECT_EQ(px(image, 1, 0), (Px{0, 0, 0, 255}));
  EXPECT_EQ(px(image, 2, 0), (Px{10, 20, 30, 255}));
  EXPECT_EQ(px(image, 9, 0), (Px{10, 20, 30, 255}));

  BmpSpec four;
  four.width = 3;
  four.height = 1;
  four.bits = 4;
  four.palette = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
  four.colours_used = 3;
  four.pixels = {0x21, 0xF0, 0, 0};  // index 15 lies beyond the palette: black
  image = decode(make_bmp(four));
  ASSERT_EQ(image.width(), 3u);
  EXPECT_EQ(px(image, 0, 0), (Px{3, 3, 3, 255}));
  EXPECT_EQ(px(image, 1, 0), (Px{2, 2, 2, 255}));
  EXPECT_EQ(px(image, 2, 0), (Px{0, 0, 0, 255}));

  BmpSpec eight;
  eight.width = 1;
  eight.height = 2;
  eight.bits = 8;
  eight.palette = {{0, 0, 0}, {9, 8, 7}};
  eight.colours_used = 2;
  eight.pixels = {1, 0, 0, 0, 0, 0, 0, 0};
  image = decode(make_bmp(eight));
  ASSERT_EQ(image.height(), 2u);
  EXPECT_EQ(px(image, 0, 1), (Px{9, 8, 7, 255}));
  EXPECT_EQ(px(image, 0, 0), (Px{0, 0, 0, 255}));
}

TEST(BmpDecoder, CoreHeaderWithThreeBytePalette) {
  BmpSpec s;
  s.header_size = 12;
  s.width = 2;
  s.height = 1;
  s.bits = 8;
  s.palette.assign(256, {0, 0, 0});
  s.palette[5] = {50, 60, 70};
  s.pixels = {5, 0, 0, 0};
  const Image image = decode(make_bmp(s));
  ASSERT_EQ(image.width(), 2u);
  EXPECT_EQ(px(image, 0, 0), (Px{50, 60, 70, 255}));
}

TEST(BmpDecoder, SixteenAndThirtyTwoBitsWithAndWithoutMasks) {
  BmpSpec s555;
  s555.width = 1;
  s555.height = 1;
  s555.bits = 16;
  s555.pixels = {0x1F, 0x7C, 0, 0};  // 5-5-5: red and blue full
  Image image = decode(make_bmp(s555));
  EXPECT_EQ(px(image, 0, 0), (Px{255, 0, 255, 255}));

  BmpSpec s565 = s555;
  s565.compression = 3;
  s565.masks = {0xF800, 0x07E0, 0x001F};
  s565.pixels = {0xE0, 0x07, 0, 0};  // green only
  image = decode(make_bmp(s565));
  EXPECT_EQ(px(image, 0, 0), (Px{0, 255, 0, 255}));

  BmpSpec plain32;
  plain32.width = 1;
  plain32.height = 1;
  plain32.bits = 32;
  plain32.pixels = {1, 2, 3, 0};  // the fourth byte is not alpha
  image = decode(make_bmp(plain32));
  EXPECT_EQ(px(image, 0, 0), (Px{1, 2, 3, 255}));

  BmpSpec v5 = plain32;
  v5.header_size = 124;
  v5.compression = 3;
  v5.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
  v5.pixels = {1, 2, 3, 128};
  image = decode(make_bmp(v5));
  EXPECT_EQ(px(image, 0, 0), (Px{1, 2, 3, 128}));
}

TEST(BmpDecoder, RunLengthEightBit) {
  BmpSpec s;
  s.width = 4;
  s.height = 3;
  s.bits = 8;
  s.compression = 1;
  s.palette = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
  s.pixels = {
      3, 1, 0, 0,        // bottom row: 1 1 1, end of line
      0, 3, 2, 3, 1, 0,  // absolute run 2 3 1, padded
      0, 0,              // end of line
      0, 2, 2, 0,        // move right by 2 on the top row
      9, 3,              // a run reaching past the right edge is cut
      0, 1,              // end of bitmap
  };
  const Image image = decode(make_bmp(s));
  ASSERT_EQ(image.width(), 4u);
  EXPECT_EQ(px(image, 0, 2), (Px{1, 1, 1, 255}));
  EXPECT_EQ(px(image, 2, 2), (Px{1, 1, 1, 255}));
  EXPECT_EQ(px(image, 3, 2), (Px{0, 0, 0, 0}));  // skipped: transparent
  EXPECT_EQ(px(image, 0, 1), (Px{2, 2, 2, 255}));
  EXPECT_EQ(px(image, 2, 1), (Px{1, 1, 1, 255}));
  EXPECT_EQ(px(image, 1, 0), (Px{0, 0, 0, 0}));
  EXPECT_EQ(px(image, 2, 0), (Px{3, 3, 3, 255}));
  EXPECT_EQ(px(image, 3, 0), (Px{3, 3, 3, 255}));
}

TEST(BmpDecoder, RunLengthFourBit) {
  BmpSpec s;
  s.width = 5;
  s.height = 1;
  s.bits = 4;
  s.compression = 2;
  s.palette = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
  s.pixels = {3, 0x12, 0, 3, 0x30, 0x00, 0, 1};  // 1 2 1, then absolute 3 0 (+pad)
  const Image image = decode(make_bmp(s));
  ASSERT_EQ(image.width(), 5u);
  EXPECT_EQ(px(image, 0, 0), (Px{1, 1, 1, 255}));
  EXPECT_EQ(px(image, 1, 0), (Px{2, 2, 2, 255}));
  EXPECT_EQ(px(image, 2, 0), (Px{1, 1, 1, 255}));
  EXPECT_EQ(px(image, 3, 0), (Px{3, 3, 3, 255}));
  EXPECT_EQ(px(image, 4, 0), (Px{0, 0, 0, 255}));
}

TEST(BmpDecoder, MalformedHeadersAreRefused) {
  BmpSpec good;
  good.pixels.assign(16, 0);
  std::vector<std::uint8_t> bytes = make_bmp(good);
  ASSERT_TRUE(decode(bytes).valid());

  auto with = [&](std::size_t at, std::uint32_t value) {
    std::vector<std::uint8_t> b = bytes;
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return b;
  };
  EXPECT_FALSE(decode(with(0, 0x4D43)).valid());        // magic
  EXPECT_FALSE(decode(with(14, 41)).valid());           // header size
  EXPECT_FALSE(decode(with(22, 0x80000000u)).valid());  // height INT32_MIN
  EXPECT_FALSE(decode(with(18, 0)).valid());            // width 0
  EXPECT_FALSE(decode(with(28, 0x00010007)).valid());   // 7 bits per pixel
  EXPECT_FALSE(decode(with(30, 4)).valid());            // JPEG compression
  EXPECT_FALSE(decode(with(10, 1000)).valid());         // pixels beyond the end
  EXPECT_FALSE(decode(with(10, 20)).valid());           // pixels inside the header
  // Absurd sizes are refused before any pixel memory is taken.
  EXPECT_FALSE(decode(with(18, 100000)).valid());
  std::vector<std::uint8_t> huge = with(18, 16384);
  for (int i = 0; i < 4; ++i) huge[22 + i] = static_cast<std::uint8_t>(16384 >> (8 * i));
  EXPECT_FALSE(decode(huge).valid());
  // RLE pictures cannot be top-down.
  BmpSpec rle;
  rle.bits = 8;
  rle.compression = 1;
  rle.height = -2;
  rle.palette = {{0, 0, 0}};
  rle.pixels = {0, 1};
  EXPECT_FALSE(decode(make_bmp(rle)).valid());
}

TEST(BmpDecoder, TruncatedFilesNeverReadPastTheEnd) {
  BmpSpec s;
  s.width = 3;
  s.height = 3;
  s.pixels.assign(36, 0x55);
  const std::vector<std::uint8_t> bytes = make_bmp(s);
  ASSERT_TRUE(decode(bytes).valid());
  // The last row may lack its padding; anything shorter fails.
  EXPECT_TRUE(decode(std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 3)).valid());
  for (std::size_t n = 0; n + 3 < bytes.size(); ++n) {
    EXPECT_FALSE(decode(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + n)).valid()) << n;
  }
  // A run-length picture cut short keeps what was decoded.
  BmpSpec rle;
  rle.width = 4;
  rle.height = 2;
  rle.bits = 8;
  rle.compression = 1;
  rle.palette = {{0, 0, 0}, {7, 7, 7}};
  rle.pixels = {4, 1, 0, 0, 4, 1, 0, 1};
  const std::vector<std::uint8_t> rle_bytes = make_bmp(rle);
  for (std::size_t n = rle_bytes.size() - rle.pixels.size(); n <= rle_bytes.size(); ++n) {
    const Image image = decode(std::vector<std::uint8_t>(rle_bytes.begin(), rle_bytes.begin() + n));
    ASSERT_TRUE(image.valid()) << n;
  }
}

TEST(BmpDecoder, TheBuiltInSoundIconIsSixteenBySixteen) {
  const std::span<const std::uint8_t> bmp = sound_icon_bmp();
  const Image image(bmp.data(), bmp.size(), kImageTypeBmp);
  ASSERT_EQ(image.width(), 16u);
  ASSERT_EQ(image.height(), 16u);
  EXPECT_EQ(px(image, 0, 0), (Px{255, 255, 255, 255}));  // background
  EXPECT_EQ(px(image, 0, 6), (Px{0, 0, 0, 255}));        // the box's outline
  EXPECT_EQ(px(image, 1, 7), (Px{128, 128, 128, 255}));  // its inside
}

}  // namespace
}  // namespace lexora::images
