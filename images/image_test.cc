#include "images/image.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

#include "testing/test_pictures.h"

namespace lexora::images {
namespace {

using test::GifFrame;

std::array<int, 4> px(const Image& image, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* p = image.pixels().pixel(x, y);
  return {p[0], p[1], p[2], p[3]};
}
using Px = std::array<int, 4>;

// Every prefix of a good file decodes or fails cleanly (the sanitizer build
// catches any read past the end).
void expect_prefixes_safe(const std::vector<std::uint8_t>& bytes, int format) {
  for (std::size_t n = 0; n < bytes.size(); n += 1 + n / 64) {
    const Image image(bytes.data(), n, format);
    if (!image.valid()) {
      EXPECT_EQ(image.width(), 0u);
      EXPECT_EQ(image.height(), 0u);
      EXPECT_EQ(image.make_bitmap(), nullptr);
    }
  }
}

TEST(Image, PngKeepsColoursAndAlpha) {
  const std::vector<std::uint8_t> bgra = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0,
                                          1,   2, 3, 255, 4, 5,   6, 255, 7, 8, 9,   255};
  const std::vector<std::uint8_t> png = test::encode_png(3, 2, bgra);
  ASSERT_FALSE(png.empty());
  const Image image(png.data(), png.size(), kImageTypePng);
  ASSERT_EQ(image.width(), 3u);
  ASSERT_EQ(image.height(), 2u);
  EXPECT_EQ(image.pixels().pixels, bgra);
}

TEST(Image, JpegDecodesBothExtensionsCodeOpaque) {
  std::vector<std::uint8_t> rgb(16 * 8 * 3);
  for (std::size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 200, rgb[i + 1] = 40, rgb[i + 2] = 90;
  for (bool progressive : {false, true}) {
    const std::vector<std::uint8_t> jpeg = test::encode_jpeg(16, 8, rgb, 95, progressive);
    const Image image(jpeg.data(), jpeg.size(), kImageTypeJpeg);
    ASSERT_EQ(image.width(), 16u);
    ASSERT_EQ(image.height(), 8u);
    const Px p = px(image, 5, 5);
    EXPECT_NEAR(p[2], 200, 4);
    EXPECT_NEAR(p[1], 40, 4);
    EXPECT_NEAR(p[0], 90, 4);
    EXPECT_EQ(p[3], 255);
  }
}

TEST(Image, GifFirstFrameWithTransparency) {
  const std::vector<std::uint8_t> palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
  GifFrame first;
  first.left = 1;
  first.top = 1;
  first.width = 2;
  first.height = 2;
  first.indices = {1, 2, 3, 0};
  first.transparent_index = 0;
  GifFrame second;
  second.width = 4;
  second.height = 3;
  second.indices.assign(12, 1);
  const std::vector<std::uint8_t> gif = test::encode_gif(4, 3, palette, {first, second});
  ASSERT_FALSE(gif.empty());
  const Image image(gif.data(), gif.size(), kImageTypeGif);
  ASSERT_EQ(image.width(), 4u);
  ASSERT_EQ(image.height(), 3u);
  EXPECT_EQ(px(image, 1, 1), (Px{0, 0, 255, 255}));  // red
  EXPECT_EQ(px(image, 2, 1), (Px{0, 255, 0, 255}));  // green
  EXPECT_EQ(px(image, 1, 2), (Px{255, 0, 0, 255}));  // blue
  EXPECT_EQ(px(image, 2, 2)[3], 0);                  // the transparent colour
  EXPECT_EQ(px(image, 0, 0)[3], 0);                  // outside the first frame
}

TEST(Image, GifInterlacedRowsLandInPlace) {
  const std::vector<std::uint8_t> palette = {0, 0, 0, 10, 10, 10, 20, 20, 20, 30, 30, 30};
  GifFrame f;
  f.width = 1;
  f.height = 9;
  f.interlaced = true;
  for (int y = 0; y < 9; ++y) f.indices.push_back(static_cast<std::uint8_t>(y % 4));
  const std::vector<std::uint8_t> gif = test::encode_gif(1, 9, palette, {f});
  const Image image(gif.data(), gif.size(), kImageTypeGif);
  ASSERT_EQ(image.height(), 9u);
  for (std::uint32_t y = 0; y < 9; ++y) EXPECT_EQ(px(image, 0, y)[0], static_cast<int>(y % 4) * 10);
}

TEST(Image, TheFormatCodeChoosesTheDecoder) {
  const std::vector<std::uint8_t> png = test::encode_png(1, 1, {1, 2, 3, 255});
  EXPECT_FALSE(Image(png.data(), png.size(), kImageTypeJpeg).valid());
  EXPECT_FALSE(Image(png.data(), png.size(), kImageTypeGif).valid());
  EXPECT_FALSE(Image(png.data(), png.size(), kImageTypeBmp).valid());
  EXPECT_FALSE(Image(png.data(), png.size(), 0).valid());
  EXPECT_FALSE(Image(png.data(), png.size(), 5).valid());
  EXPECT_FALSE(Image(nullptr, 0, kImageTypePng).valid());
}

TEST(Image, BitmapIsAnIndependentCopyAndDestroyReleases) {
  const std::vector<std::uint8_t> png = test::encode_png(2, 1, {1, 2, 3, 255, 4, 5, 6, 255});
  Image image(png.data(), png.size(), kImageTypePng);
  std::unique_ptr<Bitmap> bitmap = image.make_bitmap();
  ASSERT_NE(bitmap, nullptr);
  image.destroy();
  EXPECT_EQ(image.width(), 0u);
  EXPECT_EQ(image.height(), 0u);
  EXPECT_EQ(image.make_bitmap(), nullptr);
  EXPECT_EQ(bitmap->width, 2u);
  EXPECT_EQ(bitmap->pixels, (std::vector<std::uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
}

TEST(Image, AbsurdDimensionsAreRefused) {
  EXPECT_TRUE(dimensions_acceptable(4096, 4096));
  EXPECT_FALSE(dimensions_acceptable(kMaxImageSide + 1, 1));
  EXPECT_FALSE(dimensions_acceptable(8192, 4096));  // 32 megapixels
  EXPECT_FALSE(dimensions_acceptable(0, 10));
  // A PNG header claiming 20,000 x 20,000 pixels, with almost no data.
  std::vector<std::uint8_t> png = test::encode_png(1, 1, {0, 0, 0, 255});
  for (std::size_t at : {16u, 20u}) {
    png[at] = 0, png[at + 1] = 0, png[at + 2] = 0x4E, png[at + 3] = 0x20;
  }
  EXPECT_FALSE(Image(png.data(), png.size(), kImageTypePng).valid());
  const std::vector<std::uint8_t> palette = {0, 0, 0, 1, 1, 1};
  GifFrame f;
  f.width = 1;
  f.height = 1;
  f.indices = {1};
  const std::vector<std::uint8_t> gif = test::encode_gif(30000, 30000, palette, {f});
  EXPECT_FALSE(Image(gif.data(), gif.size(), kImageTypeGif).valid());
}

TEST(Image, DamagedAndTruncatedPicturesFailCleanly) {
  const std::vector<std::uint8_t> bgra = test::gradient_bgra(40, 30);
  std::vector<std::uint8_t> rgb;
  for (std::size_t i = 0; i < bgra.size(); i += 4)
    rgb.insert(rgb.end(), {bgra[i + 2], bgra[i + 1], bgra[i]});
  const std::vector<std::uint8_t> png = test::encode_png(40, 30, bgra);
  const std::vector<std::uint8_t> jpeg = test::encode_jpeg(40, 30, rgb, 80);
  std::vector<std::uint8_t> indices(40 * 30);
  for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::uint8_t>(i % 4);
  GifFrame f{0, 0, 40, 30, indices, -1, false};
  const std::vector<std::uint8_t> gif =
      test::encode_gif(40, 30, {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3}, {f});
  expect_prefixes_safe(png, kImageTypePng);
  expect_prefixes_safe(jpeg, kImageTypeJpeg);
  expect_prefixes_safe(gif, kImageTypeGif);
  // A PNG cut anywhere fails (its checksums and end chunk are required).
  EXPECT_FALSE(Image(png.data(), png.size() - 13, kImageTypePng).valid());
  EXPECT_FALSE(Image(gif.data(), gif.size() / 2, kImageTypeGif).valid());
  // Damage all over: no crash, whatever comes out.
  std::srand(7);
  for (int round = 0; round < 200; ++round) {
    for (const auto* good : {&png, &jpeg, &gif}) {
      std::vector<std::uint8_t> bad = *good;
      for (int k = 0; k < 4; ++k) bad[static_cast<std::size_t>(std::rand()) % bad.size()] ^= 0xFF;
      const int format = good == &png    ? kImageTypePng
                         : good == &jpeg ? kImageTypeJpeg
                                         : kImageTypeGif;
      const Image image(bad.data(), bad.size(), format);
      if (image.valid()) {
        EXPECT_EQ(image.pixels().pixels.size(), std::size_t{image.width()} * image.height() * 4);
      }
    }
  }
}

}  // namespace
}  // namespace lexora::images
