#include <csetjmp>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include <vector>

#include "images/decoders.h"

namespace lexora::images {
namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

// libjpeg's default ends the process on an error; we return to the decoder.
[[noreturn]] void on_error(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}
// Warnings (a truncated stream, for one) are not worth a line on stderr; the
// missing part of a cut picture comes out grey.
void on_message(j_common_ptr) {}

// The decoding state that must survive a longjmp lives outside the function
// that calls setjmp, so no local variable is left indeterminate.
struct JpegState {
  jpeg_decompress_struct cinfo{};
  ErrorManager errors{};
  std::vector<std::uint8_t> cmyk_row;
};

bool decode(std::span<const std::uint8_t> bytes, Bitmap* out, JpegState* s) {
  jpeg_decompress_struct& cinfo = s->cinfo;
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
  if (!dimensions_acceptable(cinfo.image_width, cinfo.image_height)) return false;
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  // The extended BGRA output sets every alpha byte to 255 itself.
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_width != cinfo.image_width || cinfo.output_height != cinfo.image_height ||
      cinfo.output_components != 4) {
    return false;
  }
  allocate_bitmap(cinfo.output_width, cinfo.output_height, out);
  if (cmyk) s->cmyk_row.resize(static_cast<std::size_t>(cinfo.output_width) * 4);
  while (cinfo.output_scanline < cinfo.output_height) {
    std::uint8_t* row =
        out->pixels.data() + static_cast<std::size_t>(cinfo.output_scanline) * out->stride();
    JSAMPROW target = cmyk ? s->cmyk_row.data() : row;
    if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) return false;
    if (cmyk) {
      // Adobe's CMYK JPEGs store the inks inverted.
      for (std::uint32_t x = 0; x < cinfo.output_width; ++x) {
        const std::uint8_t* k = &s->cmyk_row[x * 4];
        row[x * 4 + 0] = static_cast<std::uint8_t>(k[2] * k[3] / 255);
        row[x * 4 + 1] = static_cast<std::uint8_t>(k[1] * k[3] / 255);
        row[x * 4 + 2] = static_cast<std::uint8_t>(k[0] * k[3] / 255);
        row[x * 4 + 3] = 255;
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

}  // namespace

bool decode_jpeg(std::span<const std::uint8_t> bytes, Bitmap* out) {
  JpegState state;
  state.cinfo.err = jpeg_std_error(&state.errors.base);
  state.errors.base.error_exit = on_error;
  state.errors.base.output_message = on_message;
  bool ok = false;
  if (setjmp(state.errors.jump) == 0) {
    ok = decode(bytes, out, &state);
  }
  jpeg_destroy_decompress(&state.cinfo);
  if (!ok) *out = Bitmap{};
  return ok;
}

}  // namespace lexora::images
