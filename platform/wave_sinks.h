// The backends behind WaveOut (see platform/wave_out.h). Internal to the
// wave-out layer; each factory returns null when its device cannot be opened.
#ifndef LEXORA_PLATFORM_WAVE_SINKS_H_
#define LEXORA_PLATFORM_WAVE_SINKS_H_

#include <memory>
#include <string>

#include "platform/wave_out.h"

namespace lexora::wave_sinks {

// ALSA "default" playback device; *error receives ALSA's reason on failure.
std::unique_ptr<WaveSink> open_alsa(const WaveFormat& format, std::string* error);
// Plays nothing, at the real rate.
std::unique_ptr<WaveSink> open_null(const WaveFormat& format);
// Writes a 16-bit PCM WAV file (created or truncated), unpaced.
std::unique_ptr<WaveSink> open_capture(const WaveFormat& format, const std::string& path);
// Whether a capture file closed since the process started lost data: a
// write, the final header, the flush or the close failed (a full disk).
bool capture_failed();
std::unique_ptr<WaveSink> open_recorder(const WaveFormat& format,
                                        std::shared_ptr<AudioRecorder> recorder);

}  // namespace lexora::wave_sinks

#endif  // LEXORA_PLATFORM_WAVE_SINKS_H_
