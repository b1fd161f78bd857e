#include "images/image.h"

#include "images/decoders.h"

namespace lexora::images {

bool dimensions_acceptable(std::uint64_t width, std::uint64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}

void allocate_bitmap(std::uint32_t width, std::uint32_t height, Bitmap* out) {
  out->width = width;
  out->height = height;
  out->pixels.assign(static_cast<std::size_t>(width) * height * 4, 0);
}

Image::Image(const std::uint8_t* data, std::size_t size, int format) {
  if (data == nullptr || size == 0) return;
  const std::span<const std::uint8_t> bytes(data, size);
  bool ok = false;
  switch (format) {
    case kImageTypeBmp:
      ok = decode_bmp(bytes, &bitmap_);
      break;
    case kImageTypeGif:
      ok = decode_gif(bytes, &bitmap_);
      break;
    case kImageTypeJpeg:
      ok = decode_jpeg(bytes, &bitmap_);
      break;
    case kImageTypePng:
      ok = decode_png(bytes, &bitmap_);
      break;
    default:
      break;
  }
  if (!ok) bitmap_ = Bitmap{};
}

std::unique_ptr<Bitmap> Image::make_bitmap() const {
  if (!valid()) return nullptr;
  return std::make_unique<Bitmap>(bitmap_);
}

void Image::destroy() {
  bitmap_ = Bitmap{};
}

}  // namespace lexora::images
