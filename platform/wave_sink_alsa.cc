#include <alsa/asoundlib.h>

#include <mutex>

#include "platform/wave_sinks.h"

namespace lexora::wave_sinks {
namespace {

// Asks ALSA for this much buffering: short enough that a stop is heard at
// once, long enough to ride out scheduling delays.
constexpr unsigned kLatencyMicroseconds = 100000;

class AlsaSink final : public WaveSink {
 public:
  AlsaSink(snd_pcm_t* pcm, const WaveFormat& format)
      : pcm_(pcm), frame_bytes_(format.block_align) {}
  ~AlsaSink() override { snd_pcm_close(pcm_); }

  void write(const std::uint8_t* data, std::size_t size) override {
    snd_pcm_uframes_t frames = size / frame_bytes_;
    while (frames > 0) {
      snd_pcm_sframes_t n = snd_pcm_writei(pcm_, data, frames);
      if (n < 0) {
        // An underrun or a suspend is recovered; anything else drops the
        // rest of this piece rather than blocking playback for good.
        if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) return;
        continue;
      }
      frames -= static_cast<snd_pcm_uframes_t>(n);
      data += static_cast<std::size_t>(n) * frame_bytes_;
    }
  }
  void discard() override {
    snd_pcm_drop(pcm_);
    snd_pcm_prepare(pcm_);
  }
  void drain() override { snd_pcm_drain(pcm_); }

 private:
  snd_pcm_t* pcm_;
  const std::size_t frame_bytes_;
};

// ALSA reports its own failures on stderr in several lines; the wave-out
// layer says what matters in one.
void quiet_alsa_errors(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

std::unique_ptr<WaveSink> open_alsa(const WaveFormat& format, std::string* error) {
  static std::once_flag quiet;
  std::call_once(quiet, [] { snd_lib_error_set_handler(quiet_alsa_errors); });
  snd_pcm_t* pcm = nullptr;
  int rc = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0);
  if (rc < 0) {
    if (error != nullptr) *error = snd_strerror(rc);
    return nullptr;
  }
  rc =
      snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, format.channels,
                         format.samples_per_sec, 1 /* resample */, kLatencyMicroseconds);
  if (rc < 0) {
    if (error != nullptr) *error = snd_strerror(rc);
    snd_pcm_close(pcm);
    return nullptr;
  }
  return std::make_unique<AlsaSink>(pcm, format);
}

}  // namespace lexora::wave_sinks
