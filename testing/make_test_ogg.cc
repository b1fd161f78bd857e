// Build-time tool: writes a short Ogg Vorbis tone for the sound tests,
// benchmarks and fuzz seeds.
//
//   make_test_ogg OUTPUT CHANNELS RATE FRAMES [FREQUENCY]
//
// It encodes through libsndfile and runs as a program of its own because the
// general Vorbis library that libsndfile uses and the integer decoder that
// the player uses export functions of the same names: they must never share
// one process.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: make_test_ogg OUTPUT CHANNELS RATE FRAMES [FREQUENCY]\n");
    return 2;
  }
  SF_INFO info{};
  info.channels = std::atoi(argv[2]);
  info.samplerate = std::atoi(argv[3]);
  const long frames = std::atol(argv[4]);
  const double frequency = argc > 5 ? std::atof(argv[5]) : 440.0;
  info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
  if (info.channels < 1 || info.samplerate < 1 || frames < 0 || !sf_format_check(&info)) {
    std::fprintf(stderr, "make_test_ogg: unsupported format\n");
    return 1;
  }
  SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
  if (file == nullptr) {
    std::fprintf(stderr, "make_test_ogg: %s\n", sf_strerror(nullptr));
    return 1;
  }
  constexpr double kPi = 3.14159265358979323846;
  std::vector<float> samples(static_cast<std::size_t>(frames) * info.channels);
  unsigned noise = 12345;
  for (long i = 0; i < frames; ++i) {
    for (int c = 0; c < info.channels; ++c) {
      // Each channel a little higher, so that a swapped channel shows; a
      // little noise gives the encoder real work and the file many pages.
      const double f = frequency * (1.0 + 0.5 * c);
      noise = noise * 1103515245u + 12345u;
      const double hiss = 0.1 * (static_cast<double>((noise >> 8) & 0xFFFF) / 32768.0 - 1.0);
      samples[static_cast<std::size_t>(i) * info.channels + c] =
          static_cast<float>(0.5 * std::sin(2 * kPi * f * i / info.samplerate) + hiss);
    }
  }
  const sf_count_t written = sf_writef_float(file, samples.data(), frames);
  sf_close(file);
  return written == frames ? 0 : 1;
}
