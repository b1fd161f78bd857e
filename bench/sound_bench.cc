// Ogg Vorbis decoding speed (as a multiple of real time) and the time from
// play_sound to the first buffer reaching the device.
#include <benchmark/benchmark.h>

#include <tremor/ivorbisfile.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "engine/media.h"
#include "platform/wave_out.h"
#include "sound/ogg_memory_source.h"
#include "sound/sound.h"

namespace {

const std::vector<std::uint8_t>& ogg_file() {
  static const std::vector<std::uint8_t> f = [] {
    std::ifstream in(std::string(LEXORA_SOUND_FIXTURE_DIR) + "/long_stereo_44100.ogg",
                     std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), {});
  }();
  return f;
}

// The whole two-second stereo tone decoded as the playback thread decodes it.
void BM_OggDecode(benchmark::State& state) {
  const auto& f = ogg_file();
  double audio_seconds = 0;
  for (auto _ : state) {
    lexora::OggMemorySource source{f.data(), static_cast<std::uint32_t>(f.size()), 0};
    OggVorbis_File vf;
    const ov_callbacks cb{lexora::ogg_memory_read, lexora::ogg_memory_seek,
                          lexora::ogg_memory_close, lexora::ogg_memory_tell};
    if (ov_open_callbacks(&source, &vf, nullptr, 0, cb) < 0) {
      state.SkipWithError("the test tone does not open");
      return;
    }
    const vorbis_info* info = ov_info(&vf, -1);
    char chunk[lexora::kSoundReadBytes];
    int bitstream = 0;
    long bytes = 0;
    for (;;) {
      const long n = ov_read(&vf, chunk, sizeof chunk, &bitstream);
      if (n == 0) break;
      if (n > 0) bytes += n;
    }
    audio_seconds += static_cast<double>(bytes) / (info->channels * 2.0 * info->rate);
    ov_clear(&vf);
  }
  // Seconds of sound per second of decoding.
  state.counters["x_real_time"] = benchmark::Counter(audio_seconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OggDecode)->Unit(benchmark::kMillisecond);

// From play_sound to the first buffer queued on the device (a recording
// device, so no sound hardware is needed).
void BM_PlayToFirstBuffer(benchmark::State& state) {
  const auto& f = ogg_file();
  for (auto _ : state) {
    auto recorder = std::make_shared<lexora::AudioRecorder>(/*real_time=*/true);
    lexora::SoundPlayer player(lexora::AudioBackend::record(recorder));
    const auto start = std::chrono::steady_clock::now();
    player.play_sound_bytes(f, lexora::kSoundTypeOgg);
    while (recorder->write_count() == 0) std::this_thread::yield();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    player.stop_sound();
  }
}
BENCHMARK(BM_PlayToFirstBuffer)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
