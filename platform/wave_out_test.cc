#include "platform/wave_out.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/auto_reset_event.h"
#include "platform/byte_cursor.h"

namespace lexora {
namespace {

using namespace std::chrono_literals;

std::vector<std::uint8_t> ramp(std::size_t bytes, std::uint8_t seed) {
  std::vector<std::uint8_t> v(bytes);
  for (std::size_t i = 0; i < bytes; ++i) v[i] = static_cast<std::uint8_t>(seed + i * 7);
  return v;
}

void wait_all_done(AutoResetEvent& event, std::span<WaveHeader> headers) {
  for (;;) {
    bool all = true;
    for (const WaveHeader& h : headers) all = all && h.done();
    if (all) return;
    event.wait();
  }
}

TEST(AutoResetEvent, KeepsASignalUntilTheNextWaitAndResets) {
  AutoResetEvent event;
  EXPECT_FALSE(event.wait_for(1ms));
  event.set();
  event.set();
  EXPECT_TRUE(event.wait_for(0ms));
  EXPECT_FALSE(event.wait_for(1ms));  // two sets counted once, then reset
}

TEST(AutoResetEvent, WakesAWaiterOnAnotherThread) {
  AutoResetEvent event;
  std::thread t([&] { event.set(); });
  event.wait();
  t.join();
}

TEST(WaveFormat, DerivedFieldsFollowChannelsAndRate) {
  const WaveFormat mono = pcm16_format(1, 22050);
  EXPECT_EQ(mono.block_align, 2);
  EXPECT_EQ(mono.avg_bytes_per_sec, 44100u);
  const WaveFormat stereo = pcm16_format(2, 44100);
  EXPECT_EQ(stereo.block_align, 4);
  EXPECT_EQ(stereo.avg_bytes_per_sec, 176400u);
  EXPECT_TRUE(is_supported_format(mono));
  EXPECT_TRUE(is_supported_format(stereo));
}

TEST(WaveFormat, UnsupportedFormatsDoNotOpen) {
  AutoResetEvent event;
  WaveFormat f = pcm16_format(2, 44100);
  f.bits_per_sample = 8;
  EXPECT_EQ(WaveOut::open(f, &event, AudioBackend::null()), nullptr);
  EXPECT_EQ(WaveOut::open(pcm16_format(0, 44100), &event, AudioBackend::null()), nullptr);
  EXPECT_EQ(WaveOut::open(pcm16_format(1, 0), &event, AudioBackend::null()), nullptr);
  EXPECT_EQ(WaveOut::open(pcm16_format(kWaveMaxChannels + 1, 8000), &event, AudioBackend::null()),
            nullptr);
  f = pcm16_format(2, 44100);
  f.avg_bytes_per_sec = 1;
  EXPECT_EQ(WaveOut::open(f, &event, AudioBackend::null()), nullptr);
  EXPECT_EQ(WaveOut::open(pcm16_format(1, 8000), nullptr, AudioBackend::null()), nullptr);
}

TEST(WaveOut, PlaysQueuedHeadersInOrderAndMarksEachDone) {
  auto recorder = std::make_shared<AudioRecorder>();
  AutoResetEvent event;
  auto out = WaveOut::open(pcm16_format(2, 8000), &event, AudioBackend::record(recorder));
  ASSERT_NE(out, nullptr);
  std::array<std::vector<std::uint8_t>, 3> data = {ramp(4000, 1), ramp(4, 2), ramp(12000, 3)};
  std::array<WaveHeader, 3> headers;
  for (std::size_t i = 0; i < headers.size(); ++i) {
    headers[i].data = data[i].data();
    headers[i].length = static_cast<std::uint32_t>(data[i].size());
    ASSERT_TRUE(out->prepare_header(&headers[i]));
    ASSERT_TRUE(out->write(&headers[i]));
  }
  wait_all_done(event, headers);
  for (WaveHeader& h : headers) {
    EXPECT_EQ(h.flags.load() & kWaveHeaderInQueue, 0u);
    EXPECT_TRUE(out->unprepare_header(&h));
  }
  EXPECT_TRUE(out->close());
  std::vector<std::uint8_t> expected;
  for (const auto& d : data) expected.insert(expected.end(), d.begin(), d.end());
  EXPECT_EQ(recorder->pcm(), expected);
  EXPECT_EQ(recorder->write_count(), 3u);
  EXPECT_EQ(recorder->open_count(), 1u);
  EXPECT_EQ(recorder->close_count(), 1u);
}

TEST(WaveOut, HeaderRulesAreEnforced) {
  AutoResetEvent event;
  auto out = WaveOut::open(pcm16_format(2, 8000), &event, AudioBackend::null());
  ASSERT_NE(out, nullptr);
  std::vector<std::uint8_t> bytes(6);
  WaveHeader h;
  EXPECT_FALSE(out->prepare_header(&h));  // no data
  h.data = bytes.data();
  h.length = 6;  // not a whole number of 4-byte frames
  EXPECT_FALSE(out->prepare_header(&h));
  h.length = 4;
  EXPECT_FALSE(out->write(&h));  // not prepared
  ASSERT_TRUE(out->prepare_header(&h));
  ASSERT_TRUE(out->write(&h));
  EXPECT_FALSE(out->write(&h));  // already queued
  wait_all_done(event, std::span<WaveHeader>(&h, 1));
  EXPECT_TRUE(out->close());
}

TEST(WaveOut, ResetReturnsEveryQueuedHeaderAtOnce) {
  auto recorder = std::make_shared<AudioRecorder>(/*real_time=*/true);
  AutoResetEvent event;
  auto out = WaveOut::open(pcm16_format(1, 8000), &event, AudioBackend::record(recorder));
  ASSERT_NE(out, nullptr);
  // Four seconds of sound at the real rate.
  std::vector<std::uint8_t> second(16000);
  std::array<WaveHeader, 4> headers;
  for (WaveHeader& h : headers) {
    h.data = second.data();
    h.length = static_cast<std::uint32_t>(second.size());
    ASSERT_TRUE(out->prepare_header(&h));
    ASSERT_TRUE(out->write(&h));
  }
  EXPECT_FALSE(out->close());  // still playing
  std::this_thread::sleep_for(30ms);
  out->reset();
  for (const WaveHeader& h : headers) {
    EXPECT_TRUE(h.done());
    EXPECT_EQ(h.flags.load() & kWaveHeaderInQueue, 0u);
  }
  EXPECT_TRUE(event.wait_for(0ms));
  EXPECT_LT(recorder->pcm().size(), 4 * second.size());
  EXPECT_EQ(recorder->reset_count(), 1u);
  EXPECT_TRUE(out->close());
}

TEST(WaveOut, ResetFromAnotherThreadWhileTheOwnerWaits) {
  auto recorder = std::make_shared<AudioRecorder>(/*real_time=*/true);
  AutoResetEvent event;
  auto out = WaveOut::open(pcm16_format(1, 8000), &event, AudioBackend::record(recorder));
  ASSERT_NE(out, nullptr);
  std::vector<std::uint8_t> bytes(160000);  // ten seconds
  WaveHeader h;
  h.data = bytes.data();
  h.length = static_cast<std::uint32_t>(bytes.size());
  ASSERT_TRUE(out->prepare_header(&h));
  ASSERT_TRUE(out->write(&h));
  std::thread stopper([&] {
    std::this_thread::sleep_for(20ms);
    out->reset();
  });
  wait_all_done(event, std::span<WaveHeader>(&h, 1));
  stopper.join();
  EXPECT_TRUE(out->close());
}

TEST(WaveOut, CaptureWritesAWavFile) {
  const std::string path = ::testing::TempDir() + "wave_out_capture.wav";
  AutoResetEvent event;
  auto out = WaveOut::open(pcm16_format(1, 22050), &event, AudioBackend::capture(path));
  ASSERT_NE(out, nullptr);
  std::vector<std::uint8_t> bytes = ramp(1000, 9);
  WaveHeader h;
  h.data = bytes.data();
  h.length = 1000;
  ASSERT_TRUE(out->prepare_header(&h));
  ASSERT_TRUE(out->write(&h));
  wait_all_done(event, std::span<WaveHeader>(&h, 1));
  ASSERT_TRUE(out->close());
  out.reset();

  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(file.size(), 44u + 1000u);
  ByteCursor c(file);
  std::span<const std::uint8_t> tag;
  std::uint32_t riff_size = 0, fmt_size = 0, rate = 0, bytes_per_sec = 0, data_size = 0;
  std::uint16_t format_tag = 0, channels = 0, align = 0, bits = 0;
  ASSERT_TRUE(c.read_bytes(4, &tag));
  EXPECT_EQ(std::string(tag.begin(), tag.end()), "RIFF");
  ASSERT_TRUE(c.read_u32(&riff_size) && c.read_bytes(8, &tag) && c.read_u32(&fmt_size));
  EXPECT_EQ(riff_size, 36u + 1000u);
  EXPECT_EQ(std::string(tag.begin(), tag.end()), "WAVEfmt ");
  ASSERT_TRUE(c.read_u16(&format_tag) && c.read_u16(&channels) && c.read_u32(&rate) &&
              c.read_u32(&bytes_per_sec) && c.read_u16(&align) && c.read_u16(&bits));
  EXPECT_EQ(format_tag, 1);
  EXPECT_EQ(channels, 1);
  EXPECT_EQ(rate, 22050u);
  EXPECT_EQ(bytes_per_sec, 44100u);
  EXPECT_EQ(align, 2);
  EXPECT_EQ(bits, 16);
  ASSERT_TRUE(c.read_bytes(4, &tag) && c.read_u32(&data_size));
  EXPECT_EQ(std::string(tag.begin(), tag.end()), "data");
  EXPECT_EQ(data_size, 1000u);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), file.begin() + 44));
  std::remove(path.c_str());
}

TEST(WaveOut, CaptureToAnUnwritablePathDoesNotOpen) {
  AutoResetEvent event;
  EXPECT_EQ(
      WaveOut::open(pcm16_format(1, 8000), &event, AudioBackend::capture("/nonexistent-dir/x.wav")),
      nullptr);
}

TEST(WaveOut, TheDefaultDeviceAlwaysOpensFallingBackToSilence) {
  // With a sound card this plays 20 ms of silence; without one the device
  // is the null backend (said once on stderr).
  AutoResetEvent event;
  auto out = WaveOut::open(pcm16_format(1, 8000), &event, AudioBackend::alsa());
  ASSERT_NE(out, nullptr);
  std::vector<std::uint8_t> silence(320);
  WaveHeader h;
  h.data = silence.data();
  h.length = static_cast<std::uint32_t>(silence.size());
  ASSERT_TRUE(out->prepare_header(&h));
  ASSERT_TRUE(out->write(&h));
  wait_all_done(event, std::span<WaveHeader>(&h, 1));
  EXPECT_TRUE(out->close());
}

TEST(AudioBackend, EnvironmentChoosesTheBackend) {
  ::setenv("LEXORA_AUDIO", "null", 1);
  EXPECT_EQ(AudioBackend::from_environment().kind, AudioBackend::Kind::kNull);
  ::setenv("LEXORA_AUDIO", "capture:/tmp/a.wav", 1);
  AudioBackend b = AudioBackend::from_environment();
  EXPECT_EQ(b.kind, AudioBackend::Kind::kCapture);
  EXPECT_EQ(b.capture_path, "/tmp/a.wav");
  ::setenv("LEXORA_AUDIO", "alsa", 1);
  EXPECT_EQ(AudioBackend::from_environment().kind, AudioBackend::Kind::kAlsa);
  ::setenv("LEXORA_AUDIO", "capture:", 1);  // no file: not a capture
  EXPECT_EQ(AudioBackend::from_environment().kind, AudioBackend::Kind::kAlsa);
  ::setenv("LEXORA_AUDIO", "null", 1);  // what the test environment sets
}

}  // namespace
}  // namespace lexora
