// The type codes of pictures and sounds: what the picture decoder
// (images/image.h) and the sound player (sound/sound.h) are told, and what
// image_type_of and sound_type_of (engine/media.h) find for a pack entry name.
#ifndef LEXORA_PLATFORM_MEDIA_TYPES_H_
#define LEXORA_PLATFORM_MEDIA_TYPES_H_

namespace lexora {

inline constexpr int kImageTypeNone = 0;
inline constexpr int kImageTypeBmp = 1;
inline constexpr int kImageTypeGif = 2;
inline constexpr int kImageTypeJpeg = 3;
inline constexpr int kImageTypePng = 4;

inline constexpr int kSoundTypeNone = 0;
inline constexpr int kSoundTypeWav = 1;
inline constexpr int kSoundTypeOgg = 2;

}  // namespace lexora

#endif  // LEXORA_PLATFORM_MEDIA_TYPES_H_
