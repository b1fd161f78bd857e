// Settings on the registry file: loading at start-up, saving at exit (a
// locked, atomic replacement of the file), and the per-dictionary values
// read on every dictionary opening. The figures are dominated by the file
// system (each save syncs the file to disk).
#include <benchmark/benchmark.h>

#include <string>

#include "model/recent_files.h"
#include "model/settings.h"
#include "platform/qt/registry.h"
#include "testing/test_files.h"

namespace {

struct Store {
  Store() : registry(dir.file("Lexora/Lexora.ini")) {
    settings.main_font = "DejaVu Sans";
    recent.recent_set_limit(8, false);
    for (int i = 0; i < 8; ++i)
      recent.recent_add(dir.path() + "/dictionaries/d" + std::to_string(i) + ".zd");
    lexora::save_settings(registry, settings, recent);
    lexora::save_dictionary_settings(registry, settings, "d7.zd", 1234);
  }
  lexora::test::TempDir dir;
  lexora::Registry registry;
  lexora::Settings settings;
  lexora::RecentFiles recent;
};

void BM_LoadSettings(benchmark::State& state) {
  Store store;
  for (auto _ : state) {
    lexora::Settings settings;
    lexora::RecentFiles recent;
    lexora::load_settings(store.registry, settings, recent);
    benchmark::DoNotOptimize(recent.paths().size());
  }
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMillisecond);

void BM_SaveSettings(benchmark::State& state) {
  Store store;
  int n = 0;
  for (auto _ : state) {
    store.settings.text_size = ++n % 6;
    lexora::save_settings(store.registry, store.settings, store.recent);
  }
}
BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMillisecond);

void BM_ReadDictionaryValues(benchmark::State& state) {
  Store store;
  for (auto _ : state) {
    lexora::read_dictionary_values(store.registry, store.settings, "d7.zd");
    benchmark::DoNotOptimize(store.settings.last_word_id);
  }
}
BENCHMARK(BM_ReadDictionaryValues)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
