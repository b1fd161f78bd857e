#include "sound/wav_decoder.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>

#include "platform/wave_out.h"

namespace lexora {
namespace {

struct VirtualFile {
  const std::uint8_t* data;
  sf_count_t size;
  sf_count_t position;
};

sf_count_t vf_length(void* user) {
  return static_cast<VirtualFile*>(user)->size;
}

sf_count_t vf_seek(sf_count_t offset, int whence, void* user) {
  auto* f = static_cast<VirtualFile*>(user);
  sf_count_t base = 0;
  switch (whence) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = f->position;
      break;
    case SEEK_END:
      base = f->size;
      break;
    default:
      return -1;
  }
  // Written so that no offset can overflow; positions stay within the data.
  if (offset < -base) return -1;
  f->position = offset > f->size - base ? f->size : base + offset;
  return f->position;
}

sf_count_t vf_read(void* ptr, sf_count_t count, void* user) {
  auto* f = static_cast<VirtualFile*>(user);
  if (count <= 0 || f->position >= f->size) return 0;
  const sf_count_t n = std::min(count, f->size - f->position);
  std::memcpy(ptr, f->data + f->position, static_cast<std::size_t>(n));
  f->position += n;
  return n;
}

sf_count_t vf_write(const void*, sf_count_t, void*) {
  return 0;
}

sf_count_t vf_tell(void* user) {
  return static_cast<VirtualFile*>(user)->position;
}

constexpr std::size_t kWavMagicSize = 12;
constexpr sf_count_t kFramesPerRead = 4096;

// Only WAV data reaches libsndfile. Its format probe would otherwise take Ogg
// data to its own Vorbis reader, whose library exports the same function
// names as the integer decoder linked into this program.
bool looks_like_wav(std::span<const std::uint8_t> b) {
  if (b.size() < kWavMagicSize) return false;
  const bool riff = std::memcmp(b.data(), "RIFF", 4) == 0 || std::memcmp(b.data(), "RF64", 4) == 0;
  return riff && std::memcmp(b.data() + 8, "WAVE", 4) == 0;
}

}  // namespace

bool decode_wav(std::span<const std::uint8_t> bytes, DecodedWav* out) {
  *out = DecodedWav{};
  if (!looks_like_wav(bytes)) return false;
  VirtualFile file{bytes.data(), static_cast<sf_count_t>(bytes.size()), 0};
  SF_VIRTUAL_IO io{vf_length, vf_seek, vf_read, vf_write, vf_tell};
  SF_INFO info{};
  SNDFILE* sf = sf_open_virtual(&io, SFM_READ, &info, &file);
  if (sf == nullptr) return false;
  const int major = info.format & SF_FORMAT_TYPEMASK;
  bool ok = (major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX || major == SF_FORMAT_RF64) &&
            info.channels >= 1 && info.channels <= kWaveMaxChannels && info.samplerate >= 1 &&
            static_cast<std::uint32_t>(info.samplerate) <= kWaveMaxRate;
  if (ok) {
    // Read until the data runs out rather than trusting the header's frame
    // count, so that a lying header allocates nothing it does not fill.
    std::vector<short> chunk(static_cast<std::size_t>(kFramesPerRead) * info.channels);
    for (;;) {
      const sf_count_t frames = sf_readf_short(sf, chunk.data(), kFramesPerRead);
      if (frames <= 0) break;
      const std::size_t n = static_cast<std::size_t>(frames) * info.channels * 2;
      if (out->pcm.size() + n > kMaxWavPcmBytes) {
        ok = false;
        break;
      }
      const std::size_t at = out->pcm.size();
      out->pcm.resize(at + n);
      for (std::size_t i = 0; i < n / 2; ++i) {
        const auto v = static_cast<std::uint16_t>(chunk[i]);
        out->pcm[at + 2 * i] = static_cast<std::uint8_t>(v);
        out->pcm[at + 2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
      }
    }
  }
  sf_close(sf);
  if (!ok) {
    *out = DecodedWav{};
    return false;
  }
  out->channels = static_cast<std::uint16_t>(info.channels);
  out->rate = static_cast<std::uint32_t>(info.samplerate);
  return true;
}

}  // namespace lexora
