// The article window, offscreen: the time to show a page with 50 pictures
// (each decoded from the pack once, laid out and painted), and the time from
// a click on a sound link to the first buffer queued on the device.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "compiler/dictionary_writer.h"
#include "compiler/pack_writer.h"
#include "engine/dictionary.h"
#include "gui/article/article_controller.h"
#include "gui/article/article_host.h"
#include "gui/article/article_view.h"
#include "gui/article/article_window.h"
#include "model/settings.h"
#include "platform/wave_out.h"
#include "sound/sound.h"
#include "testing/test_files.h"
#include "testing/test_pictures.h"

namespace lexora {
namespace {

constexpr int kPictures = 50;
constexpr std::uint32_t kPictureSide = 96;

QApplication& app() {
  static int argc = 1;
  static char name[] = "lexora_bench_article_window";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: widgets of static lifetime must not outlive it.
  static QApplication* instance = new QApplication(argc, argv);
  return *instance;
}

std::vector<std::uint8_t> ogg_fixture() {
  return test::read_file(LEXORA_SOUND_FIXTURE_DIR "/long_stereo_44100.ogg");
}

// A dictionary whose first article shows 50 different pictures and links
// to an Ogg sound.
struct Fixture : ArticleHost {
  Fixture() {
    compiler::DictionarySource source;
    std::u16string article = u"<a href=\"!%snd\\long.ogg\">sound</a><br>";
    std::vector<compiler::PackSourceEntry> pack;
    const std::vector<std::uint8_t> bgra = images::test::gradient_bgra(kPictureSide, kPictureSide);
    for (int i = 0; i < kPictures; ++i) {
      const std::u16string picture =
          u"img\\p" + std::u16string(1, u'A' + i / 26) + std::u16string(1, u'a' + i % 26) + u".png";
      article += u"<img src=\"" + picture + u"\"> ";
      std::vector<std::uint8_t> pixels = bgra;
      pixels[0] = static_cast<std::uint8_t>(i);  // every picture its own bytes
      pack.push_back(
          {picture, images::test::encode_png(kPictureSide, kPictureSide, pixels), false});
    }
    pack.push_back({u"snd\\long.ogg", ogg_fixture(), false});
    source.entries = {{u"pictures", article}, {u"plain", u"text"}};
    std::string error;
    const std::string path = dir.file("bench.zd");
    compiler::write_dictionary_file(path, source, {}, &error);
    compiler::write_pack_file(dir.file("bench.zpak"), pack, {}, &error);
    dictionary_.open_dictionary(path);
    sound_ = std::make_unique<SoundPlayer>(AudioBackend::record(recorder));
  }

  Dictionary& dictionary() override { return dictionary_; }
  std::uint32_t current_word_index() const override { return current_; }
  void set_current_word_index(std::uint32_t index) override { current_ = index; }
  void show_word_list_at(std::uint32_t) override {}
  void hand_back(const QString&) override {}
  PageStyle page_style() const override { return {}; }
  QFont main_font() const override { return QApplication::font(); }
  bool colours_in_effect() const override { return false; }
  std::uint32_t background_colour() const override { return 0; }
  Settings& settings() override { return settings_; }
  ArticleSession& article_session() override { return session_; }
  SoundPlayer& sound_player() override { return *sound_; }

  test::TempDir dir;
  std::shared_ptr<AudioRecorder> recorder = std::make_shared<AudioRecorder>(true);
  Dictionary dictionary_;
  Settings settings_;
  ArticleSession session_;
  std::unique_ptr<SoundPlayer> sound_;
  std::uint32_t current_ = 0;
};

// From the request to show the page to the page painted with every picture.
void BM_ShowPageWith50Pictures(benchmark::State& state) {
  app();
  Fixture fixture;
  ArticleWindow window(fixture, nullptr);
  window.resize(800, 600);
  window.show();
  QApplication::processEvents();
  for (auto _ : state) {
    window.show_article(0, 0, true);
    window.view()->viewport()->grab();
    if (window.view()->picture_requests() != kPictures)
      state.SkipWithError("pictures not asked for");
  }
  window.done(0);
}
BENCHMARK(BM_ShowPageWith50Pictures)->Unit(benchmark::kMillisecond);

// From the click on a sound link to the first buffer on the device.
void BM_SoundClickToFirstBuffer(benchmark::State& state) {
  app();
  Fixture fixture;
  ArticleWindow window(fixture, nullptr);
  window.show();
  QApplication::processEvents();
  for (auto _ : state) {
    fixture.recorder->clear();
    const auto start = std::chrono::steady_clock::now();
    window.dispatch_link(QStringLiteral("!%snd\\long.ogg"));
    while (fixture.recorder->write_count() == 0) std::this_thread::yield();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    window.dispatch_link(QStringLiteral("!%snd\\long.ogg"));  // the second click stops it
    fixture.sound_player().wait_until_idle();
  }
  window.done(0);
}
BENCHMARK(BM_SoundClickToFirstBuffer)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lexora

BENCHMARK_MAIN();
