// Media type codes of pack entry names, taken from the extension after the
// last '.' (case ignored). A name whose last '.' is its final character, or
// that has no '.', has no extension and so no type. The codes are those of
// platform/media_types.h.
#ifndef LEXORA_ENGINE_MEDIA_H_
#define LEXORA_ENGINE_MEDIA_H_

#include <string_view>

#include "platform/media_types.h"

namespace lexora {

// bmp 1, gif 2, jpg and jpeg 3, png 4, anything else 0.
int image_type_of(std::u16string_view name);
// wav 1, ogg 2, anything else 0.
int sound_type_of(std::u16string_view name);

}  // namespace lexora

#endif  // LEXORA_ENGINE_MEDIA_H_
