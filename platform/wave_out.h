// Wave output: the stand-in for the system's waveOut device.
//
// A WaveOut is opened with a 16-bit PCM format and an AutoResetEvent. The
// caller prepares WaveHeaders that point at its sample bytes and writes them;
// a device thread plays the queued headers in order and, as each one has been
// played, marks it done (kWaveHeaderDone) and sets the event. reset() stops
// playback at once: every queued header comes back done before it returns.
//
// Ownership: the header and the bytes it points at belong to the device from
// write() until the header is marked done; the caller must neither change nor
// free them meanwhile. After a header is marked done the device never touches
// it again.
//
// Threading: one caller thread drives a WaveOut (open, prepare, write,
// unprepare, close); reset() may in addition be called from any other thread.
// The done flag of a header may be polled from any thread.
//
// Backends (AudioBackend): ALSA on the "default" device; null, which consumes
// the samples at the real rate and plays nothing (used when no device can be
// opened); capture, which writes the PCM that would be played to a WAV file
// as fast as it comes; and a recorder that keeps it in memory for tests and
// fuzzers. The environment variable LEXORA_AUDIO chooses: "alsa" (the
// default), "null", or "capture:FILE".
#ifndef LEXORA_PLATFORM_WAVE_OUT_H_
#define LEXORA_PLATFORM_WAVE_OUT_H_

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/auto_reset_event.h"

namespace lexora {

inline constexpr std::uint16_t kWaveFormatPcm = 1;
inline constexpr std::uint16_t kWaveBitsPerSample = 16;
// Limits of the formats a device accepts.
inline constexpr std::uint16_t kWaveMaxChannels = 8;
inline constexpr std::uint32_t kWaveMaxRate = 768000;

// The device's format record: PCM, channels, rate, 16 bits per sample.
struct WaveFormat {
  std::uint16_t format_tag = kWaveFormatPcm;
  std::uint16_t channels = 0;
  std::uint32_t samples_per_sec = 0;
  std::uint32_t avg_bytes_per_sec = 0;
  std::uint16_t block_align = 0;
  std::uint16_t bits_per_sample = 0;
  // Size of extra format bytes; PCM has none and the device ignores it.
  std::uint16_t extra_size = 0;
};

// 16-bit PCM with block alignment channels x 2 and bytes per second
// block alignment x rate.
WaveFormat pcm16_format(std::uint16_t channels, std::uint32_t rate);
// PCM, 16 bits, 1..kWaveMaxChannels channels, 1..kWaveMaxRate samples per
// second, and the derived fields consistent with those.
bool is_supported_format(const WaveFormat& format);

// Header flags (the values of the system's WHDR_ flags).
inline constexpr std::uint32_t kWaveHeaderDone = 0x01;
inline constexpr std::uint32_t kWaveHeaderPrepared = 0x02;
inline constexpr std::uint32_t kWaveHeaderInQueue = 0x10;

struct WaveHeader {
  const std::uint8_t* data = nullptr;
  std::uint32_t length = 0;  // bytes; a whole number of sample frames
  std::atomic<std::uint32_t> flags{0};

  // Zeros every field (the header must not be queued).
  void clear() {
    data = nullptr;
    length = 0;
    flags.store(0, std::memory_order_relaxed);
  }
  bool done() const { return (flags.load(std::memory_order_acquire) & kWaveHeaderDone) != 0; }
};

// Keeps what a recorder backend was given, for tests and fuzzers. Thread-safe.
class AudioRecorder {
 public:
  // real_time: the recorder consumes samples at the format's rate, like a
  // real device, so that a sound takes as long as it lasts.
  explicit AudioRecorder(bool real_time = false) : real_time_(real_time) {}

  bool real_time() const { return real_time_; }
  std::vector<WaveFormat> formats() const;  // one per open, in order
  std::vector<std::uint8_t> pcm() const;    // everything played, all opens
  std::size_t open_count() const;
  std::size_t close_count() const;
  std::size_t reset_count() const;
  std::size_t write_count() const;  // headers written
  void clear();

  // Called by the backend.
  void on_open(const WaveFormat& format);
  void on_write_header();
  void on_samples(const std::uint8_t* data, std::size_t size);
  void on_reset();
  void on_close();

 private:
  const bool real_time_;
  mutable std::mutex mutex_;
  std::vector<WaveFormat> formats_;
  std::vector<std::uint8_t> pcm_;
  std::size_t opens_ = 0;
  std::size_t closes_ = 0;
  std::size_t resets_ = 0;
  std::size_t writes_ = 0;
};

struct AudioBackend {
  enum class Kind { kAlsa, kNull, kCapture, kRecorder };
  Kind kind = Kind::kAlsa;
  std::string capture_path;                 // kCapture: the WAV file to write
  std::shared_ptr<AudioRecorder> recorder;  // kRecorder

  static AudioBackend alsa() { return {}; }
  static AudioBackend null() { return {Kind::kNull, {}, {}}; }
  static AudioBackend capture(std::string path) { return {Kind::kCapture, std::move(path), {}}; }
  static AudioBackend record(std::shared_ptr<AudioRecorder> r) {
    return {Kind::kRecorder, {}, std::move(r)};
  }
  // From LEXORA_AUDIO; an unknown value is named on stderr and ALSA is used.
  static AudioBackend from_environment();
};

// What a backend does with the samples (internal to the wave-out layer).
class WaveSink {
 public:
  virtual ~WaveSink() = default;
  // Plays the bytes; returns when the device has taken them (a paced backend
  // takes as long as they last).
  virtual void write(const std::uint8_t* data, std::size_t size) = 0;
  // Drops whatever is still buffered (reset).
  virtual void discard() = 0;
  // Waits until everything written has been heard (close after normal play).
  virtual void drain() = 0;
  // Told of every header queued (the recorder counts them).
  virtual void header_written() {}
};

class WaveOut {
 public:
  // Opens the backend's device with `format`; null when the format is not
  // supported or the device (capture file) cannot be opened. An ALSA device
  // that cannot be opened falls back to the null backend, said once per
  // process on stderr. `done_event` (not owned) must outlive the WaveOut.
  static std::unique_ptr<WaveOut> open(const WaveFormat& format, AutoResetEvent* done_event,
                                       const AudioBackend& backend);
  // Resets and closes.
  ~WaveOut();
  WaveOut(const WaveOut&) = delete;
  WaveOut& operator=(const WaveOut&) = delete;

  const WaveFormat& format() const { return format_; }

  // Marks the header prepared. Fails for a header without data, with a
  // length that is not a whole number of frames, or that is queued.
  bool prepare_header(WaveHeader* header);
  // Fails while the header is queued.
  bool unprepare_header(WaveHeader* header);
  // Queues a prepared header; clears its done flag. Fails when the header is
  // not prepared or already queued.
  bool write(WaveHeader* header);
  // Stops playback; every queued header is marked done (and the event set)
  // before this returns. Callable from any thread.
  void reset();
  // Waits for the device to finish what it has heard and stops the device
  // thread. Fails (and does nothing) while headers are still queued.
  bool close();

 private:
  WaveOut(const WaveFormat& format, AutoResetEvent* done_event, std::unique_ptr<WaveSink> sink);
  void run();
  void mark_done(WaveHeader* header);

  const WaveFormat format_;
  AutoResetEvent* const done_event_;
  std::unique_ptr<WaveSink> sink_;
  const std::size_t chunk_bytes_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable reset_finished_;
  std::deque<WaveHeader*> queue_;
  std::size_t front_progress_ = 0;  // bytes of queue_.front() already played
  std::uint64_t reset_requests_ = 0;
  std::uint64_t resets_done_ = 0;
  bool closing_ = false;
  bool closed_ = false;
  std::thread thread_;
};

}  // namespace lexora

#endif  // LEXORA_PLATFORM_WAVE_OUT_H_
