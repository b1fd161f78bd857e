// The player fetching its sounds from a dictionary's pack.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "compiler/dictionary_writer.h"
#include "compiler/pack_writer.h"
#include "engine/dictionary.h"
#include "engine/media.h"
#include "platform/byte_cursor.h"
#include "sound/sound.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

using namespace std::chrono_literals;

std::vector<std::uint8_t> fixture(const std::string& name) {
  std::ifstream in(std::string(LEXORA_SOUND_FIXTURE_DIR) + "/" + name, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

std::vector<std::uint8_t> silence_wav(std::uint32_t frames) {
  std::vector<std::uint8_t> out;
  ByteWriter w(&out);
  w.put_bytes(std::string_view("RIFF"));
  w.put_u32(36 + frames * 2);
  w.put_bytes(std::string_view("WAVEfmt "));
  w.put_u32(16);
  w.put_u16(1);
  w.put_u16(1);
  w.put_u32(8000);
  w.put_u32(16000);
  w.put_u16(2);
  w.put_u16(16);
  w.put_bytes(std::string_view("data"));
  w.put_u32(frames * 2);
  for (std::uint32_t i = 0; i < frames; ++i) w.put_u16(static_cast<std::uint16_t>(i % 64));
  return out;
}

class SoundPackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    compiler::DictionarySource source;
    source.entries = {{u"house", u"a house [s]house.ogg[/s]"}};
    std::string error;
    ASSERT_TRUE(compiler::write_dictionary_file(dir_.file("d.zd"), source, {}, &error)) << error;
    wav_ = silence_wav(800);
    std::vector<compiler::PackSourceEntry> entries = {
        {u"house.ogg", fixture("long_stereo_44100.ogg"), false},
        {u"snd\\note.wav", wav_, true},
    };
    ASSERT_TRUE(compiler::write_pack_file(dir_.file("d.zpak"), entries, {}, &error)) << error;
    ASSERT_TRUE(dict_.open_dictionary(dir_.file("d.zd")));
  }

  test::TempDir dir_;
  Dictionary dict_;
  std::vector<std::uint8_t> wav_;
};

TEST_F(SoundPackTest, PlaysPackedWavAndStoredOgg) {
  auto recorder = std::make_shared<AudioRecorder>();
  SoundPlayer player(AudioBackend::record(recorder));
  // Names are found with "/" for "\" and case ignored.
  ASSERT_TRUE(player.play_sound(dict_, u"snd/Note.WAV", kSoundTypeWav));
  player.wait_until_idle();
  EXPECT_EQ(recorder->pcm(), std::vector<std::uint8_t>(wav_.begin() + 44, wav_.end()));
  ASSERT_TRUE(player.play_sound(dict_, u"house.ogg", kSoundTypeOgg));
  player.wait_until_idle();
  ASSERT_EQ(recorder->formats().size(), 2u);
  EXPECT_EQ(recorder->formats()[1].channels, 2);
  EXPECT_EQ(recorder->pcm().size(), 1600u + 88200u * 4);
}

TEST_F(SoundPackTest, MissingSoundsAndOtherTypesFail) {
  auto recorder = std::make_shared<AudioRecorder>();
  SoundPlayer player(AudioBackend::record(recorder));
  EXPECT_FALSE(player.play_sound(dict_, u"nothere.ogg", kSoundTypeOgg));
  EXPECT_FALSE(player.play_sound(dict_, u"nothere.wav", kSoundTypeWav));
  EXPECT_FALSE(player.play_sound(dict_, u"house.ogg", kSoundTypeNone));
  EXPECT_TRUE(player.idle());
  Dictionary closed;
  EXPECT_FALSE(player.play_sound(closed, u"house.ogg", kSoundTypeOgg));
  EXPECT_EQ(recorder->open_count(), 0u);
}

TEST_F(SoundPackTest, ClosingTheDictionaryWhileASoundPlaysIsSafe) {
  auto recorder = std::make_shared<AudioRecorder>(/*real_time=*/true);
  SoundPlayer player(AudioBackend::record(recorder));
  ASSERT_TRUE(player.play_sound(dict_, u"house.ogg", kSoundTypeOgg));
  for (int i = 0; i < 2000 && !player.playing(); ++i) std::this_thread::sleep_for(1ms);
  dict_.close_dictionary();  // unmaps the pack the sound came from
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(player.playing());
  player.stop_sound();
  player.wait_until_idle();
  EXPECT_GT(recorder->pcm().size(), 300u * 176400u / 1000u / 2);
}

}  // namespace
}  // namespace lexora
