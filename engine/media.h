// Media type codes of pack entry names, taken from the extension after the
// last '.' (case ignored). A name whose last '.' is its final character, or
// that has no '.', has no extension and so no type. The codes are those of
// platform/media_types.h.
#ifndef LEXORA_ENGINE_MEDIA_H_
#define LEXORA_ENGINE_MEDIA_H_

#include <cstddef>
#include <string_view>

#include "platform/media_types.h"

namespace lexora {

// The most of a pack entry read whole for each use (see README "Limits"):
// entries recorded larger are not read at all.
inline constexpr std::size_t kMaxPictureEntrySize = std::size_t{32} << 20;  // 32 MiB
inline constexpr std::size_t kMaxSoundEntrySize = std::size_t{32} << 20;    // 32 MiB
inline constexpr std::size_t kMaxStyleSheetSize = std::size_t{1} << 20;     // 1 MiB

// bmp 1, gif 2, jpg and jpeg 3, png 4, anything else 0.
int image_type_of(std::u16string_view name);
// wav 1, ogg 2, anything else 0.
int sound_type_of(std::u16string_view name);

}  // namespace lexora

#endif  // LEXORA_ENGINE_MEDIA_H_
