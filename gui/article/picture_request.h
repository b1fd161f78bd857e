// The answer to the view's request for a picture of a page, by the name the
// page wrote in its <img src="..."> (raw, never a parsed URL).
//
//   "@sound" (exactly, case counts): the built-in loudspeaker, bitmap 146.
//   A pack entry with a picture extension: the entry decoded at its own size.
//   A missing entry, or a name without a picture extension: the view keeps
//   its placeholder.
//   An entry that does not decode: an empty picture.
//
// Nothing is read from loose files. No Qt.
#ifndef LEXORA_GUI_ARTICLE_PICTURE_REQUEST_H_
#define LEXORA_GUI_ARTICLE_PICTURE_REQUEST_H_

#include <string_view>

#include "images/image.h"

namespace lexora {

class Dictionary;

inline constexpr std::u16string_view kSoundIconName = u"@sound";

enum class PictureAnswerKind { kPlaceholder, kEmpty, kBitmap };

struct PictureAnswer {
  PictureAnswerKind kind = PictureAnswerKind::kPlaceholder;
  images::Bitmap bitmap;  // kBitmap only
};

PictureAnswer answer_picture_request(Dictionary& dictionary, std::u16string_view name);

}  // namespace lexora

#endif  // LEXORA_GUI_ARTICLE_PICTURE_REQUEST_H_
