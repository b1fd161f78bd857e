#include "platform/wave_sinks.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/byte_cursor.h"

namespace lexora::wave_sinks {
namespace {

using Clock = std::chrono::steady_clock;

// Sleeps as long as the bytes written would take to play, keeping a running
// deadline so that rounding and scheduling delays do not add up.
class Pacer {
 public:
  explicit Pacer(const WaveFormat& format) : bytes_per_second_(format.avg_bytes_per_sec) {}

  void consume(std::size_t bytes) {
    const Clock::time_point now = Clock::now();
    if (!started_ || deadline_ < now) {
      deadline_ = now;
      started_ = true;
    }
    deadline_ += std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(bytes) / bytes_per_second_));
    std::this_thread::sleep_until(deadline_);
  }
  void restart() { started_ = false; }

 private:
  const double bytes_per_second_;
  Clock::time_point deadline_{};
  bool started_ = false;
};

class NullSink final : public WaveSink {
 public:
  explicit NullSink(const WaveFormat& format) : pacer_(format) {}
  void write(const std::uint8_t*, std::size_t size) override { pacer_.consume(size); }
  void discard() override { pacer_.restart(); }
  void drain() override {}

 private:
  Pacer pacer_;
};

constexpr std::size_t kWavHeaderSize = 44;
constexpr std::uint32_t kWavFmtChunkSize = 16;

std::vector<std::uint8_t> wav_header(const WaveFormat& format, std::uint32_t data_size) {
  std::vector<std::uint8_t> out;
  ByteWriter w(&out);
  w.put_bytes(std::string_view("RIFF"));
  w.put_u32(static_cast<std::uint32_t>(kWavHeaderSize - 8) + data_size);
  w.put_bytes(std::string_view("WAVEfmt "));
  w.put_u32(kWavFmtChunkSize);
  w.put_u16(kWaveFormatPcm);
  w.put_u16(format.channels);
  w.put_u32(format.samples_per_sec);
  w.put_u32(format.avg_bytes_per_sec);
  w.put_u16(format.block_align);
  w.put_u16(format.bits_per_sample);
  w.put_bytes(std::string_view("data"));
  w.put_u32(data_size);
  return out;
}

std::atomic<bool> g_capture_failed{false};

class CaptureSink final : public WaveSink {
 public:
  CaptureSink(const WaveFormat& format, std::FILE* file) : format_(format), file_(file) {
    const std::vector<std::uint8_t> header = wav_header(format_, 0);
    std::fwrite(header.data(), 1, header.size(), file_);
  }
  ~CaptureSink() override {
    // The sizes are known only now; a capture longer than a WAV file can
    // describe keeps its data and claims the largest size.
    const std::uint32_t size =
        data_size_ > kMaxData ? kMaxData : static_cast<std::uint32_t>(data_size_);
    const std::vector<std::uint8_t> header = wav_header(format_, size);
    const bool header_written =
        std::fseek(file_, 0, SEEK_SET) == 0 &&
        std::fwrite(header.data(), 1, header.size(), file_) == header.size();
    const bool flushed = std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    if (failed_ || !header_written || !flushed || !closed) g_capture_failed = true;
  }
  void write(const std::uint8_t* data, std::size_t size) override {
    const std::size_t written = std::fwrite(data, 1, size, file_);
    data_size_ += written;
    failed_ = failed_ || written != size;
  }
  void discard() override {}
  void drain() override { std::fflush(file_); }

 private:
  static constexpr std::uint64_t kMaxData = 0xFFFFFFFFu - (kWavHeaderSize - 8);
  const WaveFormat format_;
  std::FILE* file_;
  std::uint64_t data_size_ = 0;
  bool failed_ = false;
};

class RecorderSink final : public WaveSink {
 public:
  RecorderSink(const WaveFormat& format, std::shared_ptr<AudioRecorder> recorder)
      : pacer_(format), recorder_(std::move(recorder)) {
    recorder_->on_open(format);
  }
  ~RecorderSink() override { recorder_->on_close(); }
  void write(const std::uint8_t* data, std::size_t size) override {
    recorder_->on_samples(data, size);
    if (recorder_->real_time()) pacer_.consume(size);
  }
  void discard() override {
    recorder_->on_reset();
    pacer_.restart();
  }
  void drain() override {}
  void header_written() override { recorder_->on_write_header(); }

 private:
  Pacer pacer_;
  std::shared_ptr<AudioRecorder> recorder_;
};

}  // namespace

std::unique_ptr<WaveSink> open_null(const WaveFormat& format) {
  return std::make_unique<NullSink>(format);
}

std::unique_ptr<WaveSink> open_capture(const WaveFormat& format, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return nullptr;
  return std::make_unique<CaptureSink>(format, file);
}

bool capture_failed() {
  return g_capture_failed;
}

std::unique_ptr<WaveSink> open_recorder(const WaveFormat& format,
                                        std::shared_ptr<AudioRecorder> recorder) {
  if (!recorder) return nullptr;
  return std::make_unique<RecorderSink>(format, std::move(recorder));
}

}  // namespace lexora::wave_sinks
