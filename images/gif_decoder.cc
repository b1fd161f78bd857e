#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "images/decoders.h"
#include "platform/byte_cursor.h"

namespace lexora::images {
namespace {

constexpr int kGraphicsControlExtension = 0xF9;

int read_from_memory(GifFileType* gif, GifByteType* to, int wanted) {
  auto* cursor = static_cast<ByteCursor*>(gif->UserData);
  if (wanted <= 0) return 0;
  const std::size_t n =
      std::min<std::size_t>(static_cast<std::size_t>(wanted), cursor->remaining());
  std::span<const std::uint8_t> got;
  if (!cursor->read_bytes(n, &got)) return 0;
  std::memcpy(to, got.data(), n);
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

// Reads the first image record's pixels into the canvas. Pixels outside the
// frame, the frame's transparent colour and indices beyond the colour map
// stay transparent.
bool read_first_frame(GifFileType* gif, int transparent_index, Bitmap* out) {
  if (DGifGetImageDesc(gif) == GIF_ERROR) return false;
  const GifImageDesc& d = gif->Image;
  if (d.Width <= 0 || d.Height <= 0 || d.Left < 0 || d.Top < 0) return false;
  const ColorMapObject* map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
  if (map == nullptr || map->Colors == nullptr) return false;
  // The logical screen is the canvas; a frame reaching beyond it (or a
  // screen of size 0) widens it.
  const std::uint64_t width = std::max<std::uint64_t>(static_cast<std::uint64_t>(gif->SWidth),
                                                      static_cast<std::uint64_t>(d.Left) + d.Width);
  const std::uint64_t height = std::max<std::uint64_t>(
      static_cast<std::uint64_t>(gif->SHeight), static_cast<std::uint64_t>(d.Top) + d.Height);
  if (!dimensions_acceptable(width, height) || !dimensions_acceptable(d.Width, d.Height)) {
    return false;
  }
  allocate_bitmap(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), out);

  std::vector<GifPixelType> line(static_cast<std::size_t>(d.Width));
  auto put_row = [&](int y) {
    std::uint8_t* row = out->pixels.data() + static_cast<std::size_t>(d.Top + y) * out->stride() +
                        static_cast<std::size_t>(d.Left) * 4;
    for (int x = 0; x < d.Width; ++x) {
      const int index = line[static_cast<std::size_t>(x)];
      if (index == transparent_index || index >= map->ColorCount) continue;
      const GifColorType& c = map->Colors[index];
      row[x * 4 + 0] = c.Blue;
      row[x * 4 + 1] = c.Green;
      row[x * 4 + 2] = c.Red;
      row[x * 4 + 3] = 255;
    }
  };
  if (d.Interlace) {
    constexpr int kStart[4] = {0, 4, 2, 1};
    constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
      for (int y = kStart[pass]; y < d.Height; y += kStep[pass]) {
        if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) return false;
        put_row(y);
      }
    }
  } else {
    for (int y = 0; y < d.Height; ++y) {
      if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) return false;
      put_row(y);
    }
  }
  return true;
}

}  // namespace

// Record by record up to the first image only, so that a long animation
// costs no more than its first frame.
bool decode_gif(std::span<const std::uint8_t> bytes, Bitmap* out) {
  ByteCursor cursor(bytes);
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&cursor, read_from_memory, &error));
  if (!gif) return false;
  int transparent_index = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) break;
    if (type == IMAGE_DESC_RECORD_TYPE) {
      if (read_first_frame(gif.get(), transparent_index, out)) return true;
      break;
    }
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) break;
      if (code == kGraphicsControlExtension && block != nullptr) {
        GraphicsControlBlock gcb{};
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
          transparent_index = gcb.TransparentColor;
        }
      }
      bool failed = false;
      while (block != nullptr) {
        if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) {
          failed = true;
          break;
        }
      }
      if (failed) break;
      continue;
    }
    break;  // the terminator, or anything unknown, before any image
  }
  *out = Bitmap{};
  return false;
}

}  // namespace lexora::images
