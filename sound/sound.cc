#include "sound/sound.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <tremor/ivorbisfile.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <mutex>

#include "platform/auto_reset_event.h"
#include "platform/media_types.h"
#include "sound/ogg_memory_source.h"
#include "sound/wav_decoder.h"

namespace lexora {

// Everything one Ogg sound's thread owns. The user-interface thread touches
// only `playing`, `cancelled` and, under device_mutex, the device (to reset
// it); the rest belongs to the playback thread from its start to its end.
struct SoundPlayer::Playback {
  AudioBackend backend;
  std::vector<std::uint8_t> pack_bytes;
  OggMemorySource source;
  std::atomic<bool> playing{false};
  std::atomic<bool> cancelled{false};
  std::atomic<bool> finished{false};
  std::atomic<bool> started{false};

  // Guards `device` (published while open) and makes "is playing still set"
  // and "queue a buffer" one step against a concurrent stop.
  std::mutex device_mutex;
  WaveOut* device = nullptr;

  AutoResetEvent done_event;
  std::array<WaveHeader, kSoundBufferCount> headers;
  std::array<std::vector<std::uint8_t>, kSoundBufferCount> buffers;
  std::vector<std::uint8_t> staging;
};

namespace {

// Higher than the user interface, as far as this process may raise it; an
// unprivileged process keeps the normal priority.
constexpr int kPlaybackNice = -5;

void raise_thread_priority() {
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  (void)::setpriority(PRIO_PROCESS, tid, kPlaybackNice);
}

bool all_done(const SoundPlayer::Playback& p) {
  for (const WaveHeader& h : p.headers) {
    if (!h.done()) return false;
  }
  return true;
}

// Hands the staging bytes to the device in the first free header. The last
// piece of a sound is not copied: its header points at the staging array,
// which lives until the thread has closed the device.
void submit(SoundPlayer::Playback& p, bool last_piece) {
  WaveHeader* free_header = nullptr;
  std::size_t index = 0;
  for (;;) {
    for (index = 0; index < kSoundBufferCount; ++index) {
      if (p.headers[index].done()) {
        free_header = &p.headers[index];
        break;
      }
    }
    if (free_header != nullptr) break;
    p.done_event.wait();
  }
  std::lock_guard<std::mutex> lock(p.device_mutex);
  if (!p.playing.load()) return;  // stopped meanwhile: the bytes are dropped
  WaveOut& device = *p.device;
  if (free_header->data != nullptr) device.unprepare_header(free_header);
  const std::uint8_t* data = p.staging.data();
  if (!last_piece) {
    p.buffers[index].assign(p.staging.begin(), p.staging.end());
    data = p.buffers[index].data();
  }
  const auto length = static_cast<std::uint32_t>(p.staging.size());
  if (!last_piece) p.staging.clear();
  free_header->clear();
  free_header->data = data;
  free_header->length = length;
  if (!device.prepare_header(free_header) || !device.write(free_header)) {
    // Not queued: it must count as free again, or the wind-down would wait
    // for it forever.
    free_header->clear();
    free_header->flags.store(kWaveHeaderDone);
  }
}

void playback_thread(SoundPlayer::Playback& p) {
  raise_thread_priority();
  OggVorbis_File vf;
  const ov_callbacks callbacks{ogg_memory_read, ogg_memory_seek, ogg_memory_close, ogg_memory_tell};
  if (ov_open_callbacks(&p.source, &vf, nullptr, 0, callbacks) < 0) return;

  const vorbis_info* info = ov_info(&vf, -1);
  std::unique_ptr<WaveOut> device;
  if (info != nullptr && info->channels >= 1 && info->channels <= kWaveMaxChannels &&
      info->rate >= 1 && info->rate <= static_cast<long>(kWaveMaxRate)) {
    WaveFormat format = pcm16_format(static_cast<std::uint16_t>(info->channels),
                                     static_cast<std::uint32_t>(info->rate));
    format.extra_size = kSoundFormatExtraSize;
    device = WaveOut::open(format, &p.done_event, p.backend);
  }
  if (!device) {
    ov_clear(&vf);
    return;
  }

  for (WaveHeader& h : p.headers) {
    h.clear();
    h.flags.store(kWaveHeaderDone);
  }
  for (auto& b : p.buffers) b.clear();
  p.staging.clear();
  p.staging.reserve(kSoundStagingBytes + kSoundReadBytes);
  {
    std::lock_guard<std::mutex> lock(p.device_mutex);
    p.device = device.get();
    if (!p.cancelled.load()) {
      p.playing.store(true);
      p.started.store(true);
    }
  }

  std::array<char, kSoundReadBytes> chunk;
  int bitstream = 0;
  int errors_in_a_row = 0;
  while (p.playing.load()) {
    const long n = ov_read(&vf, chunk.data(), static_cast<int>(chunk.size()), &bitstream);
    if (n == 0) break;  // end of the stream
    if (n < 0) {
      if (++errors_in_a_row >= kMaxConsecutiveDecodeErrors) break;
      continue;
    }
    errors_in_a_row = 0;
    p.staging.insert(p.staging.end(), chunk.data(), chunk.data() + n);
    if (p.staging.size() > kSoundStagingBytes) submit(p, /*last_piece=*/false);
  }
  ov_clear(&vf);
  if (p.playing.load() && !p.staging.empty()) submit(p, /*last_piece=*/true);
  p.playing.store(false);

  while (!all_done(p)) p.done_event.wait();

  for (WaveHeader& h : p.headers) {
    if (h.data != nullptr) device->unprepare_header(&h);
  }
  for (auto& b : p.buffers) std::vector<std::uint8_t>().swap(b);
  std::vector<std::uint8_t>().swap(p.pack_bytes);
  {
    std::lock_guard<std::mutex> lock(p.device_mutex);
    p.device = nullptr;
  }
  device->close();
  device.reset();
  std::vector<std::uint8_t>().swap(p.staging);
}

// A decoded WAV sound goes to the device whole, in one buffer; stopping
// resets the device, which hands the buffer back at once.
void wav_playback_thread(SoundPlayer::Playback& p, const WaveFormat& format) {
  raise_thread_priority();
  std::unique_ptr<WaveOut> device = WaveOut::open(format, &p.done_event, p.backend);
  if (!device) return;
  WaveHeader& header = p.headers[0];
  header.clear();
  header.data = p.pack_bytes.data();
  header.length = static_cast<std::uint32_t>(p.pack_bytes.size());
  bool queued = false;
  {
    std::lock_guard<std::mutex> lock(p.device_mutex);
    p.device = device.get();
    if (!p.cancelled.load()) {
      p.playing.store(true);
      p.started.store(true);
      queued = device->prepare_header(&header) && device->write(&header);
    }
  }
  if (queued) {
    while (!header.done()) p.done_event.wait();
    device->unprepare_header(&header);
  }
  p.playing.store(false);
  {
    std::lock_guard<std::mutex> lock(p.device_mutex);
    p.device = nullptr;
  }
  device->close();
}

}  // namespace

SoundPlayer::SoundPlayer(AudioBackend backend) : backend_(std::move(backend)) {}

SoundPlayer::~SoundPlayer() {
  finish_previous();
}

bool SoundPlayer::play_sound_bytes(std::span<const std::uint8_t> bytes, int type) {
  if (type == kSoundTypeWav) return play_wav(bytes);
  if (type == kSoundTypeOgg) return play_ogg(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  return false;
}

bool SoundPlayer::play_wav(std::span<const std::uint8_t> bytes) {
  finish_previous();
  DecodedWav wav;
  if (!decode_wav(bytes, &wav)) return false;
  if (wav.pcm.empty()) return true;
  if (wav.pcm.size() > UINT32_MAX) return false;
  auto p = std::make_shared<Playback>();
  p->backend = backend_;
  const WaveFormat format = pcm16_format(wav.channels, wav.rate);
  p->pack_bytes = std::move(wav.pcm);
  current_ = p;
  thread_ = std::thread([p, format] {
    wav_playback_thread(*p, format);
    p->finished.store(true);
  });
  return true;
}

bool SoundPlayer::play_ogg(std::vector<std::uint8_t> bytes) {
  finish_previous();
  if (bytes.size() > UINT32_MAX) return false;
  auto p = std::make_shared<Playback>();
  p->backend = backend_;
  p->pack_bytes = std::move(bytes);
  p->source.data = p->pack_bytes.data();
  p->source.size = static_cast<std::uint32_t>(p->pack_bytes.size());
  p->source.position = 0;
  current_ = p;
  thread_ = std::thread([p] {
    playback_thread(*p);
    p->finished.store(true);
  });
  return true;
}

void SoundPlayer::stop_sound() {
  if (!current_ || !current_->playing.load()) return;
  std::lock_guard<std::mutex> lock(current_->device_mutex);
  if (current_->device != nullptr) current_->device->reset();
  current_->playing.store(false);
}

bool SoundPlayer::playing() const {
  return current_ && current_->playing.load();
}

bool SoundPlayer::last_sound_started() const {
  return current_ && current_->started.load();
}

bool SoundPlayer::idle() const {
  return !current_ || current_->finished.load();
}

void SoundPlayer::wait_until_idle() {
  if (thread_.joinable()) thread_.join();
}

void SoundPlayer::finish_previous() {
  if (!current_) return;
  current_->cancelled.store(true);
  {
    std::lock_guard<std::mutex> lock(current_->device_mutex);
    if (current_->device != nullptr) current_->device->reset();
    current_->playing.store(false);
  }
  if (thread_.joinable()) thread_.join();
  current_.reset();
}

}  // namespace lexora
