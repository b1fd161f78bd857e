// play_sound's pack side, apart from the player so that code using only
// byte sounds does not need the engine.
#include "engine/dictionary.h"
#include "engine/media.h"
#include "platform/media_types.h"
#include "sound/sound.h"

namespace lexora {

bool SoundPlayer::play_sound(Dictionary& dictionary, std::u16string_view name, int type) {
  if (type != kSoundTypeWav && type != kSoundTypeOgg) return false;
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;
  const std::uint8_t* data = dictionary.read_pack_entry(name, &size, &buffer, kMaxSoundEntrySize);
  if (data == nullptr) return false;
  if (type == kSoundTypeWav) return play_sound_bytes({data, size}, type);
  // The thread gets the buffer, which the pack no longer touches.
  buffer.resize(size);
  return play_ogg(std::move(buffer));
}

}  // namespace lexora
