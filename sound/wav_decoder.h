// WAV files decoded from memory into 16-bit PCM for the wave-out device.
#ifndef LEXORA_SOUND_WAV_DECODER_H_
#define LEXORA_SOUND_WAV_DECODER_H_

#include <cstdint>
#include <span>
#include <vector>

namespace lexora {

struct DecodedWav {
  std::uint16_t channels = 0;
  std::uint32_t rate = 0;
  std::vector<std::uint8_t> pcm;  // interleaved 16-bit little-endian samples
};

// Largest decoded result accepted (compressed WAV codings expand several
// times); bigger sounds fail to decode rather than exhaust memory.
inline constexpr std::size_t kMaxWavPcmBytes = 256u << 20;

// Decodes any WAV coding that libsndfile reads (PCM of every width, float,
// A-law, mu-law, ADPCM, ...) into 16-bit PCM. Only RIFF/RF64 "WAVE" data is
// accepted; anything else, a truncated or corrupt file, a channel count or
// rate the device cannot take, or a result over kMaxWavPcmBytes fails and
// leaves *out empty. The bytes are only read during the call.
bool decode_wav(std::span<const std::uint8_t> bytes, DecodedWav* out);

}  // namespace lexora

#endif  // LEXORA_SOUND_WAV_DECODER_H_
