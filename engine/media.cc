#include "engine/media.h"

#include <cstddef>

namespace lexora {
namespace {

// The text after the last '.', empty when there is none or nothing follows it.
std::u16string_view extension_of(std::u16string_view name) {
  const std::size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos || dot + 1 == name.size()) return {};
  return name.substr(dot + 1);
}

// Extensions are ASCII, so folding A-Z is all the case rule needs; any other
// character simply fails to match.
bool equals_ascii_ignore_case(std::u16string_view text, std::string_view ascii_lower) {
  if (text.size() != ascii_lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != static_cast<char16_t>(ascii_lower[i])) return false;
  }
  return true;
}

}  // namespace

int image_type_of(std::u16string_view name) {
  const std::u16string_view ext = extension_of(name);
  if (ext.empty()) return kImageTypeNone;
  if (equals_ascii_ignore_case(ext, "bmp")) return kImageTypeBmp;
  if (equals_ascii_ignore_case(ext, "gif")) return kImageTypeGif;
  if (equals_ascii_ignore_case(ext, "jpg") || equals_ascii_ignore_case(ext, "jpeg")) {
    return kImageTypeJpeg;
  }
  if (equals_ascii_ignore_case(ext, "png")) return kImageTypePng;
  return kImageTypeNone;
}

int sound_type_of(std::u16string_view name) {
  const std::u16string_view ext = extension_of(name);
  if (ext.empty()) return kSoundTypeNone;
  if (equals_ascii_ignore_case(ext, "wav")) return kSoundTypeWav;
  if (equals_ascii_ignore_case(ext, "ogg")) return kSoundTypeOgg;
  return kSoundTypeNone;
}

}  // namespace lexora
