#include <png.h>

#include "images/decoders.h"

namespace lexora::images {

// libpng's simplified reader does every colour type, bit depth, palette,
// transparency chunk and interlacing, and reports errors by its result
// rather than by jumping out of us.
bool decode_png(std::span<const std::uint8_t> bytes, Bitmap* out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return false;
  if (!dimensions_acceptable(image.width, image.height)) {
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_BGRA;
  allocate_bitmap(image.width, image.height, out);
  if (!png_image_finish_read(&image, nullptr, out->pixels.data(),
                             static_cast<png_int_32>(out->stride()), nullptr)) {
    png_image_free(&image);
    *out = Bitmap{};
    return false;
  }
  return true;
}

}  // namespace lexora::images
