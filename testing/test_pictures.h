// Pictures written in code for the image tests, benchmarks and fuzz seeds,
// through the same libraries' encoders (BMP by hand).
#ifndef LEXORA_TESTING_TEST_PICTURES_H_
#define LEXORA_TESTING_TEST_PICTURES_H_

#include <cstdint>
#include <vector>

namespace lexora::images::test {

// `bgra`: width x height pixels, four bytes each (blue, green, red, alpha).
std::vector<std::uint8_t> encode_png(std::uint32_t width, std::uint32_t height,
                                     const std::vector<std::uint8_t>& bgra);
// `rgb`: three bytes per pixel.
std::vector<std::uint8_t> encode_jpeg(std::uint32_t width, std::uint32_t height,
                                      const std::vector<std::uint8_t>& rgb, int quality,
                                      bool progressive = false);

struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<std::uint8_t> indices;  // width x height
  int transparent_index = -1;
  bool interlaced = false;
};
// `palette`: red, green, blue triples (count a power of two, 2..256).
std::vector<std::uint8_t> encode_gif(int screen_width, int screen_height,
                                     const std::vector<std::uint8_t>& palette,
                                     const std::vector<GifFrame>& frames);

// A smooth colourful picture (bgra) for benchmarks.
std::vector<std::uint8_t> gradient_bgra(std::uint32_t width, std::uint32_t height);

}  // namespace lexora::images::test

#endif  // LEXORA_TESTING_TEST_PICTURES_H_
