// Media type codes of pack entry names, taken from the extension after the
// last '.' (case ignored). A name whose last '.' is its final character, or
// that has no '.', has no extension and so no type.
//
// Picture codes are the image decoder's format codes (images/image.h) and
// sound codes are those of SoundPlayer::play_sound (sound/sound.h).
#ifndef LEXORA_ENGINE_MEDIA_H_
#define LEXORA_ENGINE_MEDIA_H_

#include <string_view>

namespace lexora {

inline constexpr int kImageTypeNone = 0;
inline constexpr int kImageTypeBmp = 1;
inline constexpr int kImageTypeGif = 2;
inline constexpr int kImageTypeJpeg = 3;
inline constexpr int kImageTypePng = 4;

inline constexpr int kSoundTypeNone = 0;
inline constexpr int kSoundTypeWav = 1;
inline constexpr int kSoundTypeOgg = 2;

// bmp 1, gif 2, jpg and jpeg 3, png 4, anything else 0.
int image_type_of(std::u16string_view name);
// wav 1, ogg 2, anything else 0.
int sound_type_of(std::u16string_view name);

}  // namespace lexora

#endif  // LEXORA_ENGINE_MEDIA_H_
