// The main window on a 1,000,000-headword dictionary, offscreen: from a key
// press in the word box to the refilled list, and from nothing to a shown
// window with the dictionary open (time and resident memory).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "compiler/dictionary_writer.h"
#include "engine/dictionary.h"
#include "gui/main_window.h"
#include "gui/word_controls.h"
#include "model/colour_table.h"
#include "model/recent_files.h"
#include "model/settings.h"
#include "platform/qt/registry.h"

namespace {

constexpr int kWords = 1000000;

QApplication& app() {
  static int argc = 1;
  static char name[] = "lexora_bench_main_window";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: widgets of static lifetime must not outlive it.
  static QApplication* instance = new QApplication(argc, argv);
  return *instance;
}

// "aaaaa", "aaaab", ...: distinct headwords in sorted order.
std::u16string headword(int i) {
  std::u16string word(5, u'a');
  for (int k = 4; k >= 0; --k) {
    word[static_cast<std::size_t>(k)] = static_cast<char16_t>(u'a' + i % 26);
    i /= 26;
  }
  return word;
}

// Built once per run, in the temporary folder.
const std::string& big_dictionary() {
  static const std::string path = [] {
    const std::string file = "/tmp/lexora_bench_1m.zd";
    if (std::ifstream(file).good()) return file;
    lexora::compiler::DictionarySource source;
    source.entries.reserve(kWords);
    for (int i = 0; i < kWords; ++i) source.entries.emplace_back(headword(i), u"article");
    lexora::compiler::DictionaryOptions options;
    options.sort = false;
    std::string error;
    if (!lexora::compiler::write_dictionary_file(file, source, options, &error)) {
      std::fprintf(stderr, "cannot build the dictionary: %s\n", error.c_str());
      std::abort();
    }
    return file;
  }();
  return path;
}

long resident_kib() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
    status.ignore(1 << 16, '\n');
  }
  return 0;
}

struct Program {
  explicit Program(const std::string& config)
      : registry(config), window({dictionary, settings, recent, colours, registry}) {}
  lexora::Registry registry;
  lexora::Dictionary dictionary;
  lexora::Settings settings;
  lexora::RecentFiles recent;
  lexora::ColourTable colours;
  lexora::MainWindow window;
};

void press_key(QWidget* target, int key, const QString& text) {
  QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &down);
  QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &up);
}

void BM_KeyPressToRefreshedList(benchmark::State& state) {
  app();
  const std::string& path = big_dictionary();
  Program program("/tmp/lexora_bench_key.ini");
  program.window.resize(400, 600);
  program.window.start(QString::fromStdString(path), false);
  program.window.show();
  QApplication::processEvents();
  lexora::WordBox* box = program.window.word_box();

  // Type a five-letter word (inside the dictionary, which runs from "aaaaa"
  // to "cexhn"), then take it back letter by letter: every press
  // runs the two-pass lookup and refills the list.
  const QString letters = QStringLiteral("bmqzb");
  std::vector<double> samples;
  int step = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const int phase = step % 10;
    if (phase < 5) {
      const QChar c = letters[phase];
      press_key(box, Qt::Key_A + (c.unicode() - u'a'), QString(c));
    } else {
      press_key(box, Qt::Key_Backspace, QString());
    }
    benchmark::DoNotOptimize(program.window.word_list()->count());
    samples.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
    ++step;
  }
  std::sort(samples.begin(), samples.end());
  state.counters["median_us"] = samples.empty() ? 0 : samples[samples.size() / 2];
  state.counters["lines"] = program.window.word_list()->count();
  state.counters["page_size"] = program.window.page_size();
}

// Resident memory that opening the dictionary adds to a fresh child process
// (the engine's own figure, untouched by what this process allocated before).
long engine_alone_kib(const std::string& path) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    const long before = resident_kib();
    lexora::Dictionary alone;
    alone.open_dictionary(path);
    const long grown = resident_kib() - before;
    (void)!write(fds[1], &grown, sizeof grown);
    _exit(0);
  }
  long grown = -1;
  (void)!read(fds[0], &grown, sizeof grown);
  close(fds[0]);
  close(fds[1]);
  waitpid(child, nullptr, 0);
  return grown;
}

void BM_StartUpToShownWindow(benchmark::State& state) {
  app();
  const std::string& path = big_dictionary();
  const long engine_kib = engine_alone_kib(path);
  long program_kib = 0;
  bool first = true;
  for (auto _ : state) {
    const long base = resident_kib();
    auto program = std::make_unique<Program>("/tmp/lexora_bench_start.ini");
    program->window.resize(400, 600);
    program->window.start(QString::fromStdString(path), false);
    program->window.show();
    QApplication::processEvents();
    // The first start shows what the program adds; later ones reuse memory.
    if (first) program_kib = resident_kib() - base;
    first = false;
    state.PauseTiming();
    program.reset();
    QApplication::processEvents();
    state.ResumeTiming();
  }
  state.counters["engine_rss_mib"] = static_cast<double>(engine_kib) / 1024.0;
  state.counters["program_rss_mib"] = static_cast<double>(program_kib) / 1024.0;
}
BENCHMARK(BM_StartUpToShownWindow)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_KeyPressToRefreshedList)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
