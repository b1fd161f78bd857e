// Pictures decoded from memory: PNG, GIF, JPEG and BMP.
//
// An Image is constructed from a buffer, its size and a picture type code
// (kImageTypeBmp ... of platform/media_types.h, as image_type_of finds them). It decodes at once
// and keeps the pixels until destroy() or its end; the buffer is only read during construction. A
// buffer that does not decode (wrong format code, corrupt or truncated data, a picture larger than
// the limits below) leaves width and height 0 and makes no bitmap. GIF pictures give their first
// frame.
//
// make_bitmap() hands out a device-independent bitmap: an independent copy of
// the pixels that the caller owns and may pass on (the article view wraps it
// in the toolkit's image without touching this library).
#ifndef LEXORA_IMAGES_IMAGE_H_
#define LEXORA_IMAGES_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/media_types.h"

namespace lexora::images {

// Pictures larger than this are refused before any pixel memory is taken:
// each side at most 16,384 pixels and at most 16 megapixels in all (a 64 MB
// bitmap), far above any picture an article shows.
inline constexpr std::uint32_t kMaxImageSide = 16384;
inline constexpr std::uint64_t kMaxImagePixels = 16u * 1024 * 1024;

bool dimensions_acceptable(std::uint64_t width, std::uint64_t height);

// 32 bits per pixel, rows top to bottom without padding, each pixel the four
// bytes blue, green, red, alpha (not premultiplied; 255 is opaque) - the
// layout of a 32-bit device-independent bitmap.
struct Bitmap {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> pixels;  // width x height x 4 bytes

  std::size_t stride() const { return static_cast<std::size_t>(width) * 4; }
  // Blue, green, red, alpha of one pixel; (x, y) must lie inside.
  const std::uint8_t* pixel(std::uint32_t x, std::uint32_t y) const {
    return pixels.data() + static_cast<std::size_t>(y) * stride() + static_cast<std::size_t>(x) * 4;
  }
};

class Image {
 public:
  Image() = default;
  Image(const std::uint8_t* data, std::size_t size, int format);

  std::uint32_t width() const { return bitmap_.width; }
  std::uint32_t height() const { return bitmap_.height; }
  bool valid() const { return bitmap_.width != 0; }
  // The decoded pixels, valid until destroy() or the Image's end.
  const Bitmap& pixels() const { return bitmap_; }

  // A copy of the pixels for the caller to keep; null when nothing decoded.
  std::unique_ptr<Bitmap> make_bitmap() const;
  // Releases the decoded pixels; width and height become 0.
  void destroy();

 private:
  Bitmap bitmap_;
};

}  // namespace lexora::images

#endif  // LEXORA_IMAGES_IMAGE_H_
