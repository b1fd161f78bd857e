#include "platform/wave_out.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "platform/wave_sinks.h"

namespace lexora {
namespace {

// The device thread hands the backend at most this long a piece at a time,
// so that reset() is answered within about this time.
constexpr std::uint32_t kChunksPerSecond = 50;

constexpr std::string_view kAudioVariable = "LEXORA_AUDIO";
constexpr std::string_view kCapturePrefix = "capture:";

void say_once(std::once_flag* flag, const std::string& line) {
  std::call_once(*flag, [&] { std::fprintf(stderr, "%s\n", line.c_str()); });
}

}  // namespace

WaveFormat pcm16_format(std::uint16_t channels, std::uint32_t rate) {
  WaveFormat f;
  f.format_tag = kWaveFormatPcm;
  f.channels = channels;
  f.samples_per_sec = rate;
  f.bits_per_sample = kWaveBitsPerSample;
  f.block_align = static_cast<std::uint16_t>(channels * (kWaveBitsPerSample / 8));
  f.avg_bytes_per_sec = f.block_align * rate;
  return f;
}

bool is_supported_format(const WaveFormat& f) {
  return f.format_tag == kWaveFormatPcm && f.bits_per_sample == kWaveBitsPerSample &&
         f.channels >= 1 && f.channels <= kWaveMaxChannels && f.samples_per_sec >= 1 &&
         f.samples_per_sec <= kWaveMaxRate && f.block_align == f.channels * 2 &&
         f.avg_bytes_per_sec == static_cast<std::uint32_t>(f.block_align) * f.samples_per_sec;
}

// --- AudioRecorder ---

std::vector<WaveFormat> AudioRecorder::formats() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return formats_;
}
std::vector<std::uint8_t> AudioRecorder::pcm() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pcm_;
}
std::size_t AudioRecorder::open_count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return opens_;
}
std::size_t AudioRecorder::close_count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closes_;
}
std::size_t AudioRecorder::reset_count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return resets_;
}
std::size_t AudioRecorder::write_count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writes_;
}
void AudioRecorder::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  formats_.clear();
  pcm_.clear();
  opens_ = closes_ = resets_ = writes_ = 0;
}
void AudioRecorder::on_open(const WaveFormat& format) {
  std::lock_guard<std::mutex> lock(mutex_);
  formats_.push_back(format);
  ++opens_;
}
void AudioRecorder::on_write_header() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++writes_;
}
void AudioRecorder::on_samples(const std::uint8_t* data, std::size_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  pcm_.insert(pcm_.end(), data, data + size);
}
void AudioRecorder::on_reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++resets_;
}
void AudioRecorder::on_close() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++closes_;
}

// --- AudioBackend ---

AudioBackend AudioBackend::from_environment() {
  const char* value = std::getenv(std::string(kAudioVariable).c_str());
  const std::string_view v = value == nullptr ? std::string_view() : std::string_view(value);
  if (v.empty() || v == "alsa") return alsa();
  if (v == "null") return null();
  if (v.starts_with(kCapturePrefix) && v.size() > kCapturePrefix.size()) {
    return capture(std::string(v.substr(kCapturePrefix.size())));
  }
  static std::once_flag said;
  say_once(&said, "lexora: LEXORA_AUDIO=" + std::string(v) +
                      " is not alsa, null or capture:FILE; using alsa");
  return alsa();
}

// --- WaveOut ---

std::unique_ptr<WaveOut> WaveOut::open(const WaveFormat& format, AutoResetEvent* done_event,
                                       const AudioBackend& backend) {
  if (done_event == nullptr || !is_supported_format(format)) return nullptr;
  std::unique_ptr<WaveSink> sink;
  switch (backend.kind) {
    case AudioBackend::Kind::kAlsa: {
      std::string error;
      sink = wave_sinks::open_alsa(format, &error);
      if (!sink) {
        static std::once_flag said;
        say_once(&said, "lexora: no sound device (ALSA: " + error + "); sounds play silently");
        sink = wave_sinks::open_null(format);
      }
      break;
    }
    case AudioBackend::Kind::kNull:
      sink = wave_sinks::open_null(format);
      break;
    case AudioBackend::Kind::kCapture:
      sink = wave_sinks::open_capture(format, backend.capture_path);
      break;
    case AudioBackend::Kind::kRecorder:
      sink = wave_sinks::open_recorder(format, backend.recorder);
      break;
  }
  if (!sink) return nullptr;
  return std::unique_ptr<WaveOut>(new WaveOut(format, done_event, std::move(sink)));
}

WaveOut::WaveOut(const WaveFormat& format, AutoResetEvent* done_event,
                 std::unique_ptr<WaveSink> sink)
    : format_(format),
      done_event_(done_event),
      sink_(std::move(sink)),
      chunk_bytes_(static_cast<std::size_t>(format.block_align) *
                   std::max<std::uint32_t>(1, format.samples_per_sec / kChunksPerSecond)) {
  thread_ = std::thread([this] { run(); });
}

WaveOut::~WaveOut() {
  reset();
  close();
}

bool WaveOut::prepare_header(WaveHeader* header) {
  if (header == nullptr || header->data == nullptr || header->length == 0 ||
      header->length % format_.block_align != 0) {
    return false;
  }
  const std::uint32_t f = header->flags.load(std::memory_order_acquire);
  if ((f & kWaveHeaderInQueue) != 0) return false;
  header->flags.store(f | kWaveHeaderPrepared, std::memory_order_release);
  return true;
}

bool WaveOut::unprepare_header(WaveHeader* header) {
  if (header == nullptr) return false;
  const std::uint32_t f = header->flags.load(std::memory_order_acquire);
  if ((f & kWaveHeaderInQueue) != 0) return false;
  header->flags.store(f & ~kWaveHeaderPrepared, std::memory_order_release);
  return true;
}

bool WaveOut::write(WaveHeader* header) {
  if (header == nullptr) return false;
  const std::uint32_t f = header->flags.load(std::memory_order_acquire);
  if ((f & kWaveHeaderPrepared) == 0 || (f & kWaveHeaderInQueue) != 0) return false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closing_ || closed_) return false;
    header->flags.store((f & ~kWaveHeaderDone) | kWaveHeaderInQueue, std::memory_order_release);
    queue_.push_back(header);
  }
  sink_->header_written();
  wake_.notify_one();
  return true;
}

void WaveOut::reset() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_) return;
  const std::uint64_t ticket = ++reset_requests_;
  wake_.notify_one();
  reset_finished_.wait(lock, [&] { return resets_done_ >= ticket; });
}

bool WaveOut::close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return true;
    if (!queue_.empty()) return false;
    closing_ = true;
  }
  wake_.notify_one();
  thread_.join();
  sink_->drain();
  sink_.reset();
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  return true;
}

void WaveOut::mark_done(WaveHeader* header) {
  const std::uint32_t f = header->flags.load(std::memory_order_relaxed);
  header->flags.store((f & ~kWaveHeaderInQueue) | kWaveHeaderDone, std::memory_order_release);
}

void WaveOut::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock,
               [this] { return !queue_.empty() || closing_ || reset_requests_ > resets_done_; });
    if (reset_requests_ > resets_done_) {
      sink_->discard();
      const bool any = !queue_.empty();
      for (WaveHeader* h : queue_) mark_done(h);
      queue_.clear();
      front_progress_ = 0;
      resets_done_ = reset_requests_;
      reset_finished_.notify_all();
      if (any) done_event_->set();
      continue;
    }
    if (queue_.empty()) {
      if (closing_) return;
      continue;
    }
    // Play one piece of the front header without holding the lock, so that
    // write() and reset() stay responsive; only this thread pops the queue.
    WaveHeader* h = queue_.front();
    const std::size_t offset = front_progress_;
    const std::size_t piece = std::min<std::size_t>(chunk_bytes_, h->length - offset);
    lock.unlock();
    sink_->write(h->data + offset, piece);
    lock.lock();
    front_progress_ += piece;
    if (front_progress_ >= h->length) {
      queue_.pop_front();
      front_progress_ = 0;
      mark_done(h);
      done_event_->set();
    }
  }
}

}  // namespace lexora
