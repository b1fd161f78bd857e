// Sound decoders through the player and a recording device: the first byte
// picks WAV or Ogg Vorbis, the rest is the sound.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "engine/media.h"
#include "platform/wave_out.h"
#include "sound/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int type = (data[0] & 1) != 0 ? lexora::kSoundTypeOgg : lexora::kSoundTypeWav;
  auto recorder = std::make_shared<lexora::AudioRecorder>();
  lexora::SoundPlayer player(lexora::AudioBackend::record(recorder));
  player.play_sound_bytes(std::span<const std::uint8_t>(data + 1, size - 1), type);
  player.wait_until_idle();
  if (player.playing()) __builtin_trap();
  return 0;
}
