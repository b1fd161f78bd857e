// BMP pictures: the file header, a core (12-byte) or info (40 to 124-byte)
// header, an optional palette and bit masks, then the pixel rows - 1, 4, 8,
// 16, 24 or 32 bits per pixel, uncompressed, run-length coded (RLE8, RLE4)
// or with bit fields. Rows are stored bottom-up unless the height is
// negative. Everything is read through a ByteCursor and every size is checked
// before it is used.
#include <array>
#include <bit>
#include <vector>

#include "images/decoders.h"
#include "platform/byte_cursor.h"

namespace lexora::images {
namespace {

constexpr std::uint16_t kBmpMagic = 0x4D42;  // "BM"
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kMaxHeaderSize = 124;  // the version-5 header

constexpr std::uint32_t kCompressionRgb = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionRle4 = 2;
constexpr std::uint32_t kCompressionBitFields = 3;
constexpr std::uint32_t kCompressionAlphaBitFields = 6;

struct Palette {
  std::array<std::array<std::uint8_t, 4>, 256> entries{};  // blue, green, red, 255
  std::uint32_t count = 0;
};

// One colour channel taken from a bit mask and scaled to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;

  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    max = m >> shift;
    // A mask with holes counts as its contiguous low run only.
    max = (max & (max + 1)) == 0 ? max : (1u << std::countr_one(max)) - 1;
  }
  std::uint8_t take(std::uint32_t v, std::uint8_t absent) const {
    if (mask == 0) return absent;
    const std::uint64_t c = (v >> shift) & max;
    return static_cast<std::uint8_t>((c * 255 + max / 2) / max);
  }
};

struct Header {
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative: top-down
  std::uint16_t bits = 0;
  std::uint32_t compression = kCompressionRgb;
  std::uint32_t colours_used = 0;
  std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  bool core = false;
};

bool read_header(ByteCursor* c, Header* h, std::uint32_t* header_size) {
  if (!c->read_u32(header_size)) return false;
  const std::size_t start = c->position() - 4;
  if (*header_size == kCoreHeaderSize) {
    std::uint16_t w, hh, planes;
    if (!c->read_u16(&w) || !c->read_u16(&hh) || !c->read_u16(&planes) || !c->read_u16(&h->bits)) {
      return false;
    }
    h->width = w;
    h->height = hh;
    h->core = true;
    return true;
  }
  if (*header_size < kInfoHeaderSize || *header_size > kMaxHeaderSize) return false;
  std::int32_t w, hh;
  std::uint16_t planes;
  std::uint32_t image_size, xppm, yppm, important;
  if (!c->read_i32(&w) || !c->read_i32(&hh) || !c->read_u16(&planes) || !c->read_u16(&h->bits) ||
      !c->read_u32(&h->compression) || !c->read_u32(&image_size) || !c->read_u32(&xppm) ||
      !c->read_u32(&yppm) || !c->read_u32(&h->colours_used) || !c->read_u32(&important)) {
    return false;
  }
  h->width = w;
  h->height = hh;
  // Later header versions carry the masks inside the header.
  const std::uint32_t masks_inside = (*header_size - kInfoHeaderSize) / 4;
  for (std::uint32_t i = 0; i < 4 && i < masks_inside; ++i) {
    if (!c->read_u32(&h->masks[i])) return false;
  }
  if (!c->seek(start + *header_size)) return false;
  // A 40-byte header is followed by three (or with alpha four) masks.
  if (*header_size == kInfoHeaderSize &&
      (h->compression == kCompressionBitFields || h->compression == kCompressionAlphaBitFields)) {
    const int n = h->compression == kCompressionAlphaBitFields ? 4 : 3;
    for (int i = 0; i < n; ++i) {
      if (!c->read_u32(&h->masks[i])) return false;
    }
  }
  return true;
}

// `room`: the bytes between the palette's start and the pixels (0: unknown).
// Writers often give fewer entries than the colour count claims; only the
// entries that fit before the pixels are taken.
bool read_palette(ByteCursor* c, const Header& h, std::size_t room, Palette* p) {
  if (h.bits > 8) return true;
  const std::uint32_t most = 1u << h.bits;
  p->count = h.colours_used == 0 || h.colours_used > most ? most : h.colours_used;
  const std::size_t entry_size = h.core ? 3 : 4;
  if (room != 0 && room / entry_size < p->count) {
    p->count = static_cast<std::uint32_t>(room / entry_size);
  }
  for (std::uint32_t i = 0; i < p->count; ++i) {
    std::span<const std::uint8_t> e;
    if (!c->read_bytes(entry_size, &e)) return false;
    p->entries[i] = {e[0], e[1], e[2], 255};
  }
  return true;
}

void put_index(const Palette& p, std::uint32_t index, std::uint8_t* px) {
  // An index beyond the palette shows black.
  static constexpr std::array<std::uint8_t, 4> kBlack = {0, 0, 0, 255};
  const auto& e = index < p.count ? p.entries[index] : kBlack;
  px[0] = e[0];
  px[1] = e[1];
  px[2] = e[2];
  px[3] = e[3];
}

// Uncompressed and bit-field rows.
bool decode_rows(ByteCursor* c, const Header& h, const Palette& palette, bool top_down,
                 Bitmap* out) {
  const std::uint32_t w = out->width, ht = out->height;
  const std::uint64_t row_bits = static_cast<std::uint64_t>(w) * h.bits;
  const std::uint64_t stride = (row_bits + 31) / 32 * 4;
  // The last row may lack its padding; everything else must be there.
  const std::uint64_t needed = stride * (ht - 1) + (row_bits + 7) / 8;
  if (needed > c->remaining()) return false;

  std::uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
  const bool fields =
      h.compression == kCompressionBitFields || h.compression == kCompressionAlphaBitFields;
  if (!fields) {
    if (h.bits == 16) {
      masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
    } else if (h.bits == 32) {
      // The fourth byte of plain 32-bit rows is not alpha.
      masks[0] = 0x00FF0000, masks[1] = 0x0000FF00, masks[2] = 0x000000FF, masks[3] = 0;
    }
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);

  const std::uint8_t* base = c->data() + c->position();
  for (std::uint32_t row = 0; row < ht; ++row) {
    const std::uint8_t* src = base + row * stride;
    const std::uint32_t y = top_down ? row : ht - 1 - row;
    std::uint8_t* dst = out->pixels.data() + static_cast<std::size_t>(y) * out->stride();
    for (std::uint32_t x = 0; x < w; ++x, dst += 4) {
      switch (h.bits) {
        case 1:
          put_index(palette, (src[x >> 3] >> (7 - (x & 7))) & 1, dst);
          break;
        case 4:
          put_index(palette, (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F, dst);
          break;
        case 8:
          put_index(palette, src[x], dst);
          break;
        case 24:
          dst[0] = src[x * 3];
          dst[1] = src[x * 3 + 1];
          dst[2] = src[x * 3 + 2];
          dst[3] = 255;
          break;
        default: {  // 16 and 32 through the masks
          std::uint32_t v = 0;
          if (h.bits == 16) {
            v = static_cast<std::uint32_t>(src[x * 2] | (src[x * 2 + 1] << 8));
          } else {
            v = static_cast<std::uint32_t>(src[x * 4]) |
                (static_cast<std::uint32_t>(src[x * 4 + 1]) << 8) |
                (static_cast<std::uint32_t>(src[x * 4 + 2]) << 16) |
                (static_cast<std::uint32_t>(src[x * 4 + 3]) << 24);
          }
          dst[0] = blue.take(v, 0);
          dst[1] = green.take(v, 0);
          dst[2] = red.take(v, 0);
          dst[3] = alpha.take(v, 255);
          break;
        }
      }
    }
  }
  return true;
}

// Run-length coded rows, always bottom-up. Pixels the runs skip stay
// transparent; runs beyond the right edge or the top are cut off; a missing
// end-of-bitmap mark ends the picture where the data ends.
bool decode_rle(ByteCursor* c, bool four_bit, const Palette& palette, Bitmap* out) {
  const std::uint32_t w = out->width, ht = out->height;
  std::uint32_t x = 0, y = 0;  // y counts rows from the bottom
  auto put = [&](std::uint32_t index) {
    if (x < w && y < ht) {
      put_index(palette, index,
                out->pixels.data() + static_cast<std::size_t>(ht - 1 - y) * out->stride() +
                    static_cast<std::size_t>(x) * 4);
    }
    ++x;
  };
  for (;;) {
    std::uint8_t count, value;
    if (!c->read_u8(&count) || !c->read_u8(&value)) return true;
    if (count > 0) {
      for (std::uint32_t i = 0; i < count; ++i) {
        put(four_bit ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      if (++y >= ht) return true;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // move right and up
      std::uint8_t dx, dy;
      if (!c->read_u8(&dx) || !c->read_u8(&dy)) return true;
      x += dx;
      y += dy;
      if (y >= ht) return true;
    } else {  // `value` pixels stored as they are, padded to an even byte count
      const std::uint32_t bytes = four_bit ? (value + 1u) / 2 : value;
      std::span<const std::uint8_t> run;
      if (!c->read_bytes(bytes, &run)) return true;
      for (std::uint32_t i = 0; i < value; ++i) {
        put(four_bit ? ((i & 1) ? run[i / 2] & 0x0F : run[i / 2] >> 4) : run[i]);
      }
      if ((bytes & 1) != 0 && !c->skip(1)) return true;
    }
  }
}

}  // namespace

bool decode_bmp(std::span<const std::uint8_t> bytes, Bitmap* out) {
  ByteCursor c(bytes);
  std::uint16_t magic;
  std::uint32_t file_size, reserved, pixel_offset, header_size;
  if (!c.read_u16(&magic) || magic != kBmpMagic || !c.read_u32(&file_size) ||
      !c.read_u32(&reserved) || !c.read_u32(&pixel_offset)) {
    return false;
  }
  Header h;
  if (!read_header(&c, &h, &header_size)) return false;

  const bool rle = h.compression == kCompressionRle8 || h.compression == kCompressionRle4;
  switch (h.compression) {
    case kCompressionRgb:
      if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 &&
          h.bits != 32) {
        return false;
      }
      break;
    case kCompressionRle8:
      if (h.bits != 8) return false;
      break;
    case kCompressionRle4:
      if (h.bits != 4) return false;
      break;
    case kCompressionBitFields:
    case kCompressionAlphaBitFields:
      if (h.bits != 16 && h.bits != 32) return false;
      break;
    default:
      return false;
  }
  const bool top_down = h.height < 0;
  const std::int64_t height = top_down ? -h.height : h.height;
  if (h.width <= 0 || height <= 0 || (rle && top_down)) return false;
  if (!dimensions_acceptable(static_cast<std::uint64_t>(h.width),
                             static_cast<std::uint64_t>(height))) {
    return false;
  }

  Palette palette;
  const std::size_t palette_room = pixel_offset > c.position() ? pixel_offset - c.position() : 0;
  if (!read_palette(&c, h, palette_room, &palette)) return false;
  // The pixels start where the file header says; an offset of 0 (written by
  // some programs) means right after the palette.
  if (pixel_offset != 0) {
    if (pixel_offset < kFileHeaderSize + header_size || !c.seek(pixel_offset)) return false;
  }

  allocate_bitmap(static_cast<std::uint32_t>(h.width), static_cast<std::uint32_t>(height), out);
  const bool ok = rle ? decode_rle(&c, h.compression == kCompressionRle4, palette, out)
                      : decode_rows(&c, h, palette, top_down, out);
  if (!ok) *out = Bitmap{};
  return ok;
}

}  // namespace lexora::images
