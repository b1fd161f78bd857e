#include "testing/test_pictures.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

// jpeglib.h needs size_t and FILE declared before it.
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace lexora::images::test {

std::vector<std::uint8_t> encode_png(std::uint32_t width, std::uint32_t height,
                                     const std::vector<std::uint8_t>& bgra) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_BGRA;
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(image, size, 0, bgra.data(), 0, nullptr)) return {};
  std::vector<std::uint8_t> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, bgra.data(), 0, nullptr)) return {};
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> encode_jpeg(std::uint32_t width, std::uint32_t height,
                                      const std::vector<std::uint8_t>& rgb, int quality,
                                      bool progressive) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < height) {
    JSAMPROW row = const_cast<JSAMPLE*>(rgb.data() +
                                        static_cast<std::size_t>(cinfo.next_scanline) * width * 3);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

namespace {

int write_to_vector(GifFileType* gif, const GifByteType* data, int size) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + size);
  return size;
}

}  // namespace

std::vector<std::uint8_t> encode_gif(int screen_width, int screen_height,
                                     const std::vector<std::uint8_t>& palette,
                                     const std::vector<GifFrame>& frames) {
  std::vector<std::uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, write_to_vector, &error);
  if (gif == nullptr) return {};
  const int colours = static_cast<int>(palette.size() / 3);
  ColorMapObject* map = GifMakeMapObject(colours, nullptr);
  for (int i = 0; i < colours; ++i) {
    map->Colors[i] = {palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2]};
  }
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, screen_width, screen_height, 8, 0, map);
  for (const GifFrame& f : frames) {
    if (f.transparent_index >= 0) {
      GraphicsControlBlock gcb{};
      gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
      gcb.TransparentColor = f.transparent_index;
      GifByteType ext[4];
      const size_t n = EGifGCBToExtension(&gcb, ext);
      EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext);
    }
    EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, nullptr);
    std::vector<GifPixelType> line(static_cast<std::size_t>(f.width));
    auto put = [&](int y) {
      std::memcpy(line.data(), f.indices.data() + static_cast<std::size_t>(y) * f.width,
                  line.size());
      EGifPutLine(gif, line.data(), f.width);
    };
    if (f.interlaced) {
      const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass) {
        for (int y = start[pass]; y < f.height; y += step[pass]) put(y);
      }
    } else {
      for (int y = 0; y < f.height; ++y) put(y);
    }
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

std::vector<std::uint8_t> gradient_bgra(std::uint32_t width, std::uint32_t height) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height * 4);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint8_t* p = &out[(static_cast<std::size_t>(y) * width + x) * 4];
      p[0] = static_cast<std::uint8_t>(x * 255 / (width ? width : 1));
      p[1] = static_cast<std::uint8_t>(y * 255 / (height ? height : 1));
      p[2] = static_cast<std::uint8_t>((x + y) / 3);
      p[3] = 255;
    }
  }
  return out;
}

}  // namespace lexora::images::test
