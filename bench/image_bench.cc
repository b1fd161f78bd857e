// Decoding a 1-megapixel PNG and JPEG through Image, against the library
// alone decoding the same file into a buffer of the same layout.
#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <png.h>

#include <vector>

#include "images/image.h"
#include "testing/test_pictures.h"

namespace {

constexpr std::uint32_t kSide = 1000;

const std::vector<std::uint8_t>& png_file() {
  static const std::vector<std::uint8_t> f = lexora::images::test::encode_png(
      kSide, kSide, lexora::images::test::gradient_bgra(kSide, kSide));
  return f;
}

const std::vector<std::uint8_t>& jpeg_file() {
  static const std::vector<std::uint8_t> f = [] {
    const std::vector<std::uint8_t> bgra = lexora::images::test::gradient_bgra(kSide, kSide);
    std::vector<std::uint8_t> rgb;
    rgb.reserve(kSide * kSide * 3);
    for (std::size_t i = 0; i < bgra.size(); i += 4)
      rgb.insert(rgb.end(), {bgra[i + 2], bgra[i + 1], bgra[i]});
    return lexora::images::test::encode_jpeg(kSide, kSide, rgb, 90);
  }();
  return f;
}

void BM_PngImage(benchmark::State& state) {
  const auto& f = png_file();
  for (auto _ : state) {
    lexora::images::Image image(f.data(), f.size(), lexora::kImageTypePng);
    benchmark::DoNotOptimize(image.pixels().pixels.data());
  }
}
BENCHMARK(BM_PngImage)->Unit(benchmark::kMillisecond);

void BM_PngLibraryAlone(benchmark::State& state) {
  const auto& f = png_file();
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, f.data(), f.size());
    image.format = PNG_FORMAT_BGRA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_PngLibraryAlone)->Unit(benchmark::kMillisecond);

void BM_JpegImage(benchmark::State& state) {
  const auto& f = jpeg_file();
  for (auto _ : state) {
    lexora::images::Image image(f.data(), f.size(), lexora::kImageTypeJpeg);
    benchmark::DoNotOptimize(image.pixels().pixels.data());
  }
}
BENCHMARK(BM_JpegImage)->Unit(benchmark::kMillisecond);

void BM_JpegLibraryAlone(benchmark::State& state) {
  const auto& f = jpeg_file();
  for (auto _ : state) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, f.data(), static_cast<unsigned long>(f.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(cinfo.output_width) *
                                     cinfo.output_height * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row =
          pixels.data() + static_cast<std::size_t>(cinfo.output_scanline) * cinfo.output_width * 4;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_JpegLibraryAlone)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
