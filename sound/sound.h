// The sound player: pronunciations and other sounds from a dictionary's pack.
//
// Every sound plays on a playback thread of its own, so the window stays
// responsive and a second click can stop it. WAV sounds are decoded whole
// before play_sound returns and handed to the wave-out device in one buffer;
// Ogg Vorbis sounds are decoded by the integer Vorbis decoder on the thread
// and streamed to the device through four rotating buffers. `playing()` is
// set by the thread once the device is open and cleared when the sound ends
// or stop_sound() stops it.
//
// Each Ogg sound gets its own playback state (its copy of the sound's bytes,
// device, headers, buffers), owned by its thread. A new sound first stops the
// previous one (its device is reset, so every queued buffer comes back at
// once) and waits for that thread's short wind-down, so two playback threads
// never run together and never share anything but their own state.
//
// The sound's bytes are copied out of the pack: a stored pack entry is a view
// into the dictionary's mapping, which the user may close while the sound
// still plays.
//
// Threading: play_sound, stop_sound, playing and wait_until_idle are called
// from one thread (the user interface's).
#ifndef LEXORA_SOUND_SOUND_H_
#define LEXORA_SOUND_SOUND_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/wave_out.h"

namespace lexora {

class Dictionary;

// Decoder reads of this many bytes of 16-bit samples.
inline constexpr std::size_t kSoundReadBytes = 4096;
// Decoded samples are collected until they exceed this many bytes and then
// handed to the device in one buffer.
inline constexpr std::size_t kSoundStagingBytes = 0x5000;
inline constexpr std::size_t kSoundBufferCount = 4;
// The extra-size field of the device format.
inline constexpr std::uint16_t kSoundFormatExtraSize = 18;
// After this many decoder errors in a row with no samples between them the
// stream is taken as ended (a damaged stream cannot keep the thread busy).
inline constexpr int kMaxConsecutiveDecodeErrors = 64;

class SoundPlayer {
 public:
  explicit SoundPlayer(AudioBackend backend = AudioBackend::from_environment());
  // Stops any sound and waits for its thread.
  ~SoundPlayer();
  SoundPlayer(const SoundPlayer&) = delete;
  SoundPlayer& operator=(const SoundPlayer&) = delete;

  // Plays pack entry `name` of `dictionary`; `type` is sound_type_of(name)
  // (kSoundTypeWav, kSoundTypeOgg of platform/media_types.h). False for a
  // missing entry or another type; for WAV also when it does not decode. A
  // sound succeeds once its thread is started: an Ogg stream that will not
  // decode or a device that will not open then simply ends that thread
  // without sound.
  bool play_sound(Dictionary& dictionary, std::u16string_view name, int type);
  // The same for a sound's bytes (copied for an Ogg sound before returning).
  bool play_sound_bytes(std::span<const std::uint8_t> bytes, int type);
  // Ends a playback in progress: resets the device and clears
  // `playing`. Does not wait for the thread.
  void stop_sound();
  bool playing() const;
  // True when no playback thread is running (it has ended or never started).
  bool idle() const;
  // Whether the last Ogg sound got as far as playing: false when its stream
  // would not decode or no device opened (for tools that report it).
  bool last_sound_started() const;
  // Waits for the playback thread to end (the sound's end, or its wind-down
  // after stop_sound).
  void wait_until_idle();

  const AudioBackend& backend() const { return backend_; }

  struct Playback;

 private:
  bool play_wav(std::span<const std::uint8_t> bytes);
  bool play_ogg(std::vector<std::uint8_t> bytes);
  // Stops the previous playback (even while it is still opening) and joins it.
  void finish_previous();

  AudioBackend backend_;
  std::shared_ptr<Playback> current_;
  std::thread thread_;
};

}  // namespace lexora

#endif  // LEXORA_SOUND_SOUND_H_
