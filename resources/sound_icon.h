// Bitmap resource 146: the 16 x 16, 24-bit loudspeaker that sound links show
// (the page's "@sound" picture), as the bytes of a BMP file. The source is
// resources/bitmaps/146.bmp (drawn by make_sound_icon.py); the bytes are
// compiled in so that code without the toolkit's resources can use them.
#ifndef LEXORA_RESOURCES_SOUND_ICON_H_
#define LEXORA_RESOURCES_SOUND_ICON_H_

#include <cstdint>
#include <span>

namespace lexora {

inline constexpr int kSoundIconBitmapId = 146;
inline constexpr int kSoundIconSide = 16;

// Static storage; valid for the whole run.
std::span<const std::uint8_t> sound_icon_bmp();

}  // namespace lexora

#endif  // LEXORA_RESOURCES_SOUND_ICON_H_
