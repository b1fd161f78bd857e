#include "gui/article/picture_request.h"

#include <cstdint>
#include <vector>

#include "engine/dictionary.h"
#include "engine/media.h"
#include "resources/sound_icon.h"

namespace lexora {
namespace {

PictureAnswer decoded(const std::uint8_t* data, std::size_t size, int format) {
  images::Image image(data, size, format);
  PictureAnswer answer;
  if (!image.valid()) {
    answer.kind = PictureAnswerKind::kEmpty;
    return answer;
  }
  answer.kind = PictureAnswerKind::kBitmap;
  answer.bitmap = std::move(*image.make_bitmap());
  return answer;
}

}  // namespace

PictureAnswer answer_picture_request(Dictionary& dictionary, std::u16string_view name) {
  if (name == kSoundIconName) {
    const std::span<const std::uint8_t> icon = sound_icon_bmp();
    return decoded(icon.data(), icon.size(), kImageTypeBmp);
  }
  const int type = image_type_of(name);
  if (type == kImageTypeNone) return {};
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;
  const std::uint8_t* data = dictionary.read_pack_entry(name, &size, &buffer);
  if (data == nullptr) return {};
  return decoded(data, size, type);
}

}  // namespace lexora
