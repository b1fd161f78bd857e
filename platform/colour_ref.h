// A colour in the platform layout (the stand-in for COLORREF): red in the
// low byte, then green, then blue; the top byte is not part of the colour.
// Shared by the colour table (model/) and page composition (render/).
#ifndef LEXORA_PLATFORM_COLOUR_REF_H_
#define LEXORA_PLATFORM_COLOUR_REF_H_

#include <cstdint>

namespace lexora {

using ColourRef = std::uint32_t;

constexpr ColourRef make_colour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<ColourRef>(red) | (static_cast<ColourRef>(green) << 8) |
         (static_cast<ColourRef>(blue) << 16);
}
constexpr std::uint8_t red_of(ColourRef c) {
  return static_cast<std::uint8_t>(c & 0xFF);
}
constexpr std::uint8_t green_of(ColourRef c) {
  return static_cast<std::uint8_t>((c >> 8) & 0xFF);
}
constexpr std::uint8_t blue_of(ColourRef c) {
  return static_cast<std::uint8_t>((c >> 16) & 0xFF);
}

// True when red, green and blue are all 0xFF: such a page background means
// the page uses the dictionary's style sheet instead of the colour table.
constexpr bool is_white(ColourRef c) {
  return (c & 0xFFFFFFu) == 0xFFFFFFu;
}

}  // namespace lexora

#endif  // LEXORA_PLATFORM_COLOUR_REF_H_
