// The per-format decoders behind Image (internal to lexora_images). Each
// fills *out and returns true, or returns false with *out left empty; each
// checks the picture's dimensions with dimensions_acceptable() before it
// allocates pixels, and never reads outside `bytes`.
#ifndef LEXORA_IMAGES_DECODERS_H_
#define LEXORA_IMAGES_DECODERS_H_

#include <cstdint>
#include <span>

#include "images/image.h"

namespace lexora::images {

bool decode_bmp(std::span<const std::uint8_t> bytes, Bitmap* out);
bool decode_gif(std::span<const std::uint8_t> bytes, Bitmap* out);
bool decode_jpeg(std::span<const std::uint8_t> bytes, Bitmap* out);
bool decode_png(std::span<const std::uint8_t> bytes, Bitmap* out);

// Sizes `out` for width x height pixels, all transparent black.
void allocate_bitmap(std::uint32_t width, std::uint32_t height, Bitmap* out);

}  // namespace lexora::images

#endif  // LEXORA_IMAGES_DECODERS_H_
