#include "sound/sound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "engine/media.h"
#include "platform/byte_cursor.h"
#include "sound/ogg_memory_source.h"
#include "sound/wav_decoder.h"

namespace lexora {
namespace {

using namespace std::chrono_literals;

// Tones made at build time by make_test_ogg (see testing/CMakeLists.txt).
constexpr std::uint32_t kShortMonoFrames = 2205;    // 0.1 s at 22,050 Hz
constexpr std::uint32_t kLongStereoFrames = 88200;  // 2 s at 44,100 Hz

std::vector<std::uint8_t> fixture(const std::string& name) {
  std::ifstream in(std::string(LEXORA_SOUND_FIXTURE_DIR) + "/" + name, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

std::vector<std::uint8_t> make_wav(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                                   const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> out;
  ByteWriter w(&out);
  const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
  w.put_bytes(std::string_view("RIFF"));
  w.put_u32(36 + static_cast<std::uint32_t>(data.size()));
  w.put_bytes(std::string_view("WAVEfmt "));
  w.put_u32(16);
  w.put_u16(1);
  w.put_u16(channels);
  w.put_u32(rate);
  w.put_u32(rate * align);
  w.put_u16(align);
  w.put_u16(bits);
  w.put_bytes(std::string_view("data"));
  w.put_u32(static_cast<std::uint32_t>(data.size()));
  w.put_bytes(data);
  return out;
}

std::vector<std::uint8_t> pcm16_ramp(std::size_t frames, std::uint16_t channels) {
  std::vector<std::uint8_t> out;
  ByteWriter w(&out);
  for (std::size_t i = 0; i < frames * channels; ++i) {
    w.put_u16(static_cast<std::uint16_t>(i * 97 - 20000));
  }
  return out;
}

// Root-mean-square level of one channel of 16-bit PCM, 0..1.
double channel_level(const std::vector<std::uint8_t>& pcm, int channels, int channel) {
  double sum = 0;
  std::size_t n = 0;
  for (std::size_t i = static_cast<std::size_t>(channel) * 2; i + 1 < pcm.size();
       i += static_cast<std::size_t>(channels) * 2) {
    const auto v = static_cast<std::int16_t>(pcm[i] | (pcm[i + 1] << 8));
    sum += static_cast<double>(v) * v;
    ++n;
  }
  return n == 0 ? 0 : std::sqrt(sum / n) / 32768.0;
}

void wait_until_playing(const SoundPlayer& player) {
  for (int i = 0; i < 2000 && !player.playing(); ++i) std::this_thread::sleep_for(1ms);
}

TEST(OggMemorySource, ReadsWithinTheDataOnly) {
  const std::uint8_t data[5] = {1, 2, 3, 4, 5};
  OggMemorySource s{data, 5, 0};
  std::uint8_t out[8] = {};
  EXPECT_EQ(ogg_memory_read(out, 1, 3, &s), 3u);
  EXPECT_EQ(ogg_memory_tell(&s), 3);
  EXPECT_EQ(ogg_memory_read(out, 2, 4, &s), 2u);  // only what is left
  EXPECT_EQ(out[1], 5);
  EXPECT_EQ(ogg_memory_read(out, 1, 4, &s), 0u);
  EXPECT_EQ(ogg_memory_seek(&s, 1, 0), 0);
  EXPECT_EQ(ogg_memory_read(out, SIZE_MAX, SIZE_MAX, &s), 4u);  // no overflow
  EXPECT_EQ(ogg_memory_close(&s), 0);
}

TEST(OggMemorySource, SeeksRelativeToStartCurrentAndEnd) {
  const std::uint8_t data[10] = {};
  OggMemorySource s{data, 10, 0};
  EXPECT_EQ(ogg_memory_seek(&s, 4, 0), 0);
  EXPECT_EQ(ogg_memory_seek(&s, 3, 1), 0);
  EXPECT_EQ(ogg_memory_tell(&s), 7);
  EXPECT_EQ(ogg_memory_seek(&s, -2, 2), 0);
  EXPECT_EQ(ogg_memory_tell(&s), 8);
  EXPECT_EQ(ogg_memory_seek(&s, 0, 3), -1);
  // Past the end is allowed and reads nothing.
  EXPECT_EQ(ogg_memory_seek(&s, 100, 0), 0);
  std::uint8_t out[4];
  EXPECT_EQ(ogg_memory_read(out, 1, 4, &s), 0u);
  // Only the low 32 bits of the offset count.
  EXPECT_EQ(ogg_memory_seek(&s, (std::int64_t{1} << 32) + 3, 0), 0);
  EXPECT_EQ(ogg_memory_tell(&s), 3);
}

TEST(WavDecoder, SixteenBitPcmComesBackUnchanged) {
  const std::vector<std::uint8_t> pcm = pcm16_ramp(1000, 2);
  DecodedWav wav;
  ASSERT_TRUE(decode_wav(make_wav(2, 11025, 16, pcm), &wav));
  EXPECT_EQ(wav.channels, 2);
  EXPECT_EQ(wav.rate, 11025u);
  EXPECT_EQ(wav.pcm, pcm);
}

TEST(WavDecoder, EightBitPcmIsWidened) {
  DecodedWav wav;
  ASSERT_TRUE(decode_wav(make_wav(1, 8000, 8, {0x80, 0xFF, 0x00}), &wav));
  ASSERT_EQ(wav.pcm.size(), 6u);
  EXPECT_EQ(wav.pcm[0] | (wav.pcm[1] << 8), 0);
  EXPECT_EQ(static_cast<std::int16_t>(wav.pcm[2] | (wav.pcm[3] << 8)), 127 * 256);
  EXPECT_EQ(static_cast<std::int16_t>(wav.pcm[4] | (wav.pcm[5] << 8)), -128 * 256);
}

TEST(WavDecoder, RefusesWhatIsNotAWavFile) {
  DecodedWav wav;
  EXPECT_FALSE(decode_wav({}, &wav));
  EXPECT_FALSE(decode_wav(fixture("short_mono_22050.ogg"), &wav));
  std::vector<std::uint8_t> bytes = make_wav(1, 8000, 16, pcm16_ramp(100, 1));
  bytes.resize(30);  // cut inside the format chunk
  EXPECT_FALSE(decode_wav(bytes, &wav));
  bytes = make_wav(1, 8000, 16, pcm16_ramp(100, 1));
  bytes[22] = 0;  // no channels
  EXPECT_FALSE(decode_wav(bytes, &wav));
  EXPECT_TRUE(wav.pcm.empty());
}

TEST(WavDecoder, ATruncatedDataChunkGivesWhatIsThere) {
  std::vector<std::uint8_t> bytes = make_wav(1, 8000, 16, pcm16_ramp(1000, 1));
  bytes.resize(44 + 600);
  DecodedWav wav;
  ASSERT_TRUE(decode_wav(bytes, &wav));
  EXPECT_EQ(wav.pcm.size(), 600u);
}

class SoundPlayerTest : public ::testing::Test {
 protected:
  std::shared_ptr<AudioRecorder> recorder_ = std::make_shared<AudioRecorder>();
  std::shared_ptr<AudioRecorder> real_time_ = std::make_shared<AudioRecorder>(true);
};

TEST_F(SoundPlayerTest, WavPlaysToItsEndOnItsOwnThread) {
  SoundPlayer player(AudioBackend::record(recorder_));
  const std::vector<std::uint8_t> pcm = pcm16_ramp(4000, 1);
  ASSERT_TRUE(player.play_sound_bytes(make_wav(1, 16000, 16, pcm), kSoundTypeWav));
  player.wait_until_idle();
  EXPECT_FALSE(player.playing());
  EXPECT_TRUE(player.last_sound_started());
  EXPECT_EQ(recorder_->pcm(), pcm);
  ASSERT_EQ(recorder_->formats().size(), 1u);
  EXPECT_EQ(recorder_->formats()[0].samples_per_sec, 16000u);
  EXPECT_EQ(recorder_->close_count(), 1u);
}

TEST_F(SoundPlayerTest, StoppingAWavReturnsItsBufferAtOnce) {
  SoundPlayer player(AudioBackend::record(real_time_));
  const std::vector<std::uint8_t> pcm = pcm16_ramp(32000, 1);  // two seconds
  ASSERT_TRUE(player.play_sound_bytes(make_wav(1, 16000, 16, pcm), kSoundTypeWav));
  wait_until_playing(player);
  ASSERT_TRUE(player.playing());
  player.stop_sound();
  EXPECT_FALSE(player.playing());
  const auto start = std::chrono::steady_clock::now();
  player.wait_until_idle();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_GE(real_time_->reset_count(), 1u);
  EXPECT_LT(real_time_->pcm().size(), pcm.size());
  EXPECT_EQ(real_time_->close_count(), 1u);
}

TEST_F(SoundPlayerTest, UndecodableWavAndUnknownTypesFail) {
  SoundPlayer player(AudioBackend::record(recorder_));
  EXPECT_FALSE(player.play_sound_bytes(std::vector<std::uint8_t>(100, 7), kSoundTypeWav));
  EXPECT_FALSE(player.play_sound_bytes(fixture("short_mono_22050.ogg"), kSoundTypeNone));
  EXPECT_FALSE(player.play_sound_bytes(fixture("short_mono_22050.ogg"), 3));
  EXPECT_EQ(recorder_->open_count(), 0u);
}

TEST_F(SoundPlayerTest, ShortMonoOggOpensItsFormatAndIsQueuedOnce) {
  const std::vector<std::uint8_t> ogg = fixture("short_mono_22050.ogg");
  ASSERT_FALSE(ogg.empty());
  SoundPlayer player(AudioBackend::record(recorder_));
  ASSERT_TRUE(player.play_sound_bytes(ogg, kSoundTypeOgg));
  player.wait_until_idle();
  EXPECT_FALSE(player.playing());
  EXPECT_TRUE(player.idle());
  EXPECT_TRUE(player.last_sound_started());
  ASSERT_EQ(recorder_->formats().size(), 1u);
  const WaveFormat f = recorder_->formats()[0];
  EXPECT_EQ(f.channels, 1);
  EXPECT_EQ(f.samples_per_sec, 22050u);
  EXPECT_EQ(f.block_align, 2);
  EXPECT_EQ(f.avg_bytes_per_sec, 44100u);
  EXPECT_EQ(f.bits_per_sample, 16);
  EXPECT_EQ(f.extra_size, kSoundFormatExtraSize);
  EXPECT_EQ(recorder_->write_count(), 1u);  // under 20,480 bytes: the last piece only
  EXPECT_EQ(recorder_->pcm().size(), kShortMonoFrames * 2);
  EXPECT_GT(channel_level(recorder_->pcm(), 1, 0), 0.2);
  EXPECT_EQ(recorder_->close_count(), 1u);
}

TEST_F(SoundPlayerTest, StereoOggStreamsInBuffersOfJustOverTwentyKilobytes) {
  SoundPlayer player(AudioBackend::record(recorder_));
  ASSERT_TRUE(player.play_sound_bytes(fixture("long_stereo_44100.ogg"), kSoundTypeOgg));
  player.wait_until_idle();
  ASSERT_EQ(recorder_->formats().size(), 1u);
  EXPECT_EQ(recorder_->formats()[0].block_align, 4);
  EXPECT_EQ(recorder_->formats()[0].avg_bytes_per_sec, 176400u);
  const std::vector<std::uint8_t> pcm = recorder_->pcm();
  EXPECT_EQ(pcm.size(), std::size_t{kLongStereoFrames} * 4);
  const std::size_t full = pcm.size() / (kSoundStagingBytes + 1);
  EXPECT_GE(recorder_->write_count(), full - full / 5);
  EXPECT_LE(recorder_->write_count(), full + 1);
  // Both channels carry their tone, at different pitches.
  EXPECT_GT(channel_level(pcm, 2, 0), 0.2);
  EXPECT_GT(channel_level(pcm, 2, 1), 0.2);
  EXPECT_NE(std::vector<std::uint8_t>(pcm.begin(), pcm.begin() + 400),
            std::vector<std::uint8_t>(pcm.begin() + 2, pcm.begin() + 402));
}

TEST_F(SoundPlayerTest, StoppingReturnsAllBuffersAndTheThreadWindsDown) {
  SoundPlayer player(AudioBackend::record(real_time_));
  ASSERT_TRUE(player.play_sound_bytes(fixture("long_stereo_44100.ogg"), kSoundTypeOgg));
  wait_until_playing(player);
  ASSERT_TRUE(player.playing());
  std::this_thread::sleep_for(50ms);
  player.stop_sound();
  EXPECT_FALSE(player.playing());
  const auto start = std::chrono::steady_clock::now();
  player.wait_until_idle();
  // Buffered sound is discarded, not played out (two seconds remain).
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_TRUE(player.idle());
  EXPECT_GE(real_time_->reset_count(), 1u);
  EXPECT_LT(real_time_->pcm().size(), std::size_t{kLongStereoFrames} * 4 / 2);
  EXPECT_EQ(real_time_->close_count(), 1u);
}

TEST_F(SoundPlayerTest, PlayStopAndPlayAgainAHundredTimes) {
  SoundPlayer player(AudioBackend::record(real_time_));
  const std::vector<std::uint8_t> ogg = fixture("long_stereo_44100.ogg");
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(player.play_sound_bytes(ogg, kSoundTypeOgg));
    player.stop_sound();
  }
  ASSERT_TRUE(player.play_sound_bytes(ogg, kSoundTypeOgg));
  wait_until_playing(player);
  EXPECT_TRUE(player.playing());
  player.stop_sound();
  player.wait_until_idle();
  // Every device that was opened was closed again, one at a time.
  EXPECT_EQ(real_time_->open_count(), real_time_->close_count());
  EXPECT_GE(real_time_->open_count(), 1u);
}

TEST_F(SoundPlayerTest, ANewSoundReplacesOneStillPlaying) {
  SoundPlayer player(AudioBackend::record(real_time_));
  ASSERT_TRUE(player.play_sound_bytes(fixture("long_stereo_44100.ogg"), kSoundTypeOgg));
  wait_until_playing(player);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(player.play_sound_bytes(fixture("short_mono_22050.ogg"), kSoundTypeOgg));
  player.wait_until_idle();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  ASSERT_EQ(real_time_->formats().size(), 2u);
  EXPECT_EQ(real_time_->formats()[1].channels, 1);
  EXPECT_EQ(real_time_->close_count(), 2u);
}

TEST_F(SoundPlayerTest, DamagedOggEndsWithoutSoundOrHang) {
  const std::vector<std::uint8_t> good = fixture("long_stereo_44100.ogg");
  SoundPlayer player(AudioBackend::record(recorder_));
  // Not Ogg at all, cut inside the headers, and empty: the thread ends at once.
  ASSERT_TRUE(player.play_sound_bytes(std::vector<std::uint8_t>(5000, 0x4F), kSoundTypeOgg));
  player.wait_until_idle();
  EXPECT_FALSE(player.last_sound_started());
  ASSERT_TRUE(player.play_sound_bytes({good.data(), 200}, kSoundTypeOgg));
  player.wait_until_idle();
  ASSERT_TRUE(player.play_sound_bytes({}, kSoundTypeOgg));
  player.wait_until_idle();
  EXPECT_EQ(recorder_->open_count(), 0u);
  // Cut in the middle, and with damaged pages: what decodes is played.
  ASSERT_TRUE(player.play_sound_bytes({good.data(), good.size() / 2}, kSoundTypeOgg));
  player.wait_until_idle();
  std::vector<std::uint8_t> damaged = good;
  for (std::size_t i = good.size() / 3; i < good.size(); i += 997) damaged[i] ^= 0x5A;
  ASSERT_TRUE(player.play_sound_bytes(damaged, kSoundTypeOgg));
  player.wait_until_idle();
  EXPECT_EQ(recorder_->open_count(), 2u);
  EXPECT_EQ(recorder_->close_count(), 2u);
  EXPECT_GT(recorder_->pcm().size(), 0u);
  EXPECT_FALSE(player.playing());
}

TEST_F(SoundPlayerTest, DestroyingThePlayerStopsItsSound) {
  const auto start = std::chrono::steady_clock::now();
  {
    SoundPlayer player(AudioBackend::record(real_time_));
    ASSERT_TRUE(player.play_sound_bytes(fixture("long_stereo_44100.ogg"), kSoundTypeOgg));
    wait_until_playing(player);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
  EXPECT_EQ(real_time_->close_count(), 1u);
}

}  // namespace
}  // namespace lexora
