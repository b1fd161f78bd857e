// Opening and lookup on generated dictionaries of 100,000 and 1,000,000
// headwords, in both collation modes, with zlib's bare inflate of the same
// words stream as the floor for opening. The memory the open dictionary
// holds is reported as counters next to its budget (words_size + 8 bytes per
// headword + 1 MiB). Missed lookups that reach the word-conversion plug-in
// are measured against hits, with no plug-in installed and with one.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <malloc.h>
#include <zlib.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "compiler/dictionary_writer.h"
#include "engine/dictionary.h"
#include "platform/library.h"
#include "platform/messages.h"
#include "testing/library_folder.h"

namespace {

constexpr std::size_t kQueries = 4096;
constexpr std::size_t kWordsPackedSizeAt = 10;

struct Fixture {
  std::string path;
  std::vector<std::uint8_t> packed_words;
  std::uint32_t words_size = 0;
  std::vector<std::u16string> queries;
  std::vector<std::u16string> misses;
};

std::u16string random_word(std::mt19937& random) {
  std::u16string word;
  const std::size_t length = 4 + random() % 9;
  for (std::size_t i = 0; i < length; ++i) word += static_cast<char16_t>(u'a' + random() % 26);
  if (random() % 20 == 0) word[0] = static_cast<char16_t>(word[0] - u'a' + u'A');
  return word;
}

const Fixture& fixture(std::uint32_t count, bool locale) {
  static std::map<std::pair<std::uint32_t, bool>, std::unique_ptr<Fixture>> cache;
  auto& slot = cache[{count, locale}];
  if (slot) return *slot;
  std::mt19937 random(count + (locale ? 1 : 0));
  std::unordered_set<std::u16string> seen;
  lexora::compiler::DictionarySource source;
  while (source.entries.size() < count) {
    std::u16string word = random_word(random);
    if (seen.insert(word).second) source.entries.emplace_back(word, u"");
  }
  lexora::compiler::DictionaryOptions options;
  options.words_code_page = 1252;
  options.locale_id = locale ? 0x0409 : 0x0019;
  options.articles_per_block = 4096;
  std::string error;
  std::vector<std::uint8_t> bytes = lexora::compiler::build_dictionary(source, options, &error);
  auto f = std::make_unique<Fixture>();
  f->path = "/tmp/lexora-bench-" + std::to_string(count) + (locale ? "-locale" : "-units") + ".zd";
  std::FILE* out = std::fopen(f->path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                      static_cast<std::uint32_t>(bytes[at + 3]) << 24);
  };
  f->words_size = u32(kWordsPackedSizeAt - 4);
  const std::uint32_t packed = u32(kWordsPackedSizeAt);
  f->packed_words.assign(bytes.begin() + lexora::kHeaderSizeV4,
                         bytes.begin() + lexora::kHeaderSizeV4 + packed);
  for (std::size_t i = 0; i < kQueries; ++i)
    f->queries.push_back(source.entries[random() % source.entries.size()].first);
  // Words that are not headwords: the lookup goes on to the plug-in step.
  while (f->misses.size() < kQueries) {
    std::u16string word = random_word(random);
    if (seen.count(word) == 0) f->misses.push_back(word);
  }
  slot = std::move(f);
  return *slot;
}

class QuietSink : public lexora::MessageSink {
 public:
  lexora::MessageResult show(const lexora::Message&) override { return lexora::MessageResult::kOk; }
};

void BM_InflateWordsStream(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<std::uint32_t>(state.range(0)), false);
  std::vector<std::uint8_t> out(f.words_size);
  for (auto _ : state) {
    uLongf length = f.words_size;
    if (uncompress(out.data(), &length, f.packed_words.data(), f.packed_words.size()) != Z_OK)
      state.SkipWithError("inflate failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["words_size"] = f.words_size;
}

void BM_OpenDictionary(benchmark::State& state) {
  QuietSink sink;
  lexora::set_message_sink(&sink);
  const auto count = static_cast<std::uint32_t>(state.range(0));
  const Fixture& f = fixture(count, state.range(1) != 0);
  lexora::Dictionary dict;
  for (auto _ : state) {
    if (!dict.open_dictionary(f.path)) state.SkipWithError("open failed");
  }
  dict.close_dictionary();
  // Heap held by an open dictionary, against its budget.
  const std::size_t before = mallinfo2().uordblks;
  dict.open_dictionary(f.path);
  const std::size_t after = mallinfo2().uordblks;
  state.counters["held_MiB"] = static_cast<double>(after - before) / (1 << 20);
  state.counters["budget_MiB"] =
      (static_cast<double>(f.words_size) + 8.0 * count + (1 << 20)) / (1 << 20);
  lexora::set_message_sink(nullptr);
}

void BM_FindWord(benchmark::State& state) {
  const auto count = static_cast<std::uint32_t>(state.range(0));
  const Fixture& f = fixture(count, state.range(1) != 0);
  lexora::Dictionary dict;
  if (!dict.open_dictionary(f.path)) {
    state.SkipWithError("open failed");
    return;
  }
  std::size_t i = 0;
  std::size_t exact_hits = 0;
  for (auto _ : state) {
    bool exact = false;
    benchmark::DoNotOptimize(dict.find_word(f.queries[i++ % kQueries], &exact, false));
    exact_hits += exact ? 1 : 0;
  }
  if (exact_hits != static_cast<std::size_t>(state.iterations()))
    state.SkipWithError("a query was not found");
}

// One lookup with conversion allowed, as the main window makes it: a hit, or a
// miss that asks for the plug-in. Argument: 0 hit, 1 miss without a plug-in
// installed (the program folder and the loader's folders hold no
// libconv.so), 2 miss with the test plug-in installed (loaded, called and
// unloaded on every lookup; it turns the word into "zzzz", looked up again).
void BM_FindWordConversion(benchmark::State& state) {
  QuietSink sink;
  lexora::set_message_sink(&sink);
  const Fixture& f = fixture(100000, false);
  const int kind = static_cast<int>(state.range(0));
  if (kind == 2) lexora::set_library_folder_for_testing(LEXORA_BENCH_PLUGIN_DIR);
  lexora::Dictionary dict;
  if (!dict.open_dictionary(f.path)) state.SkipWithError("open failed");
  const std::vector<std::u16string>& words = kind == 0 ? f.queries : f.misses;
  std::size_t i = 0;
  std::size_t exact_hits = 0;
  for (auto _ : state) {
    bool exact = false;
    benchmark::DoNotOptimize(dict.find_word(words[i++ % kQueries], &exact, true));
    exact_hits += exact ? 1 : 0;
  }
  if (kind == 0 && exact_hits != static_cast<std::size_t>(state.iterations()))
    state.SkipWithError("a query was not found");
  if (kind == 1 && lexora::Library::load("libconv.so"))
    state.SkipWithError("a plug-in is installed");
  lexora::set_library_folder_for_testing("");
  lexora::set_message_sink(nullptr);
}

// The loader's own search for a library that is not installed, as every
// missed lookup paid it before the candidate folders were worked out once.
void BM_LoaderSearchForMissingLibrary(benchmark::State& state) {
  for (auto _ : state) {
    void* handle = dlopen("libconv.so", RTLD_NOW | RTLD_LOCAL);
    if (handle != nullptr) {
      dlclose(handle);
      state.SkipWithError("a plug-in is installed");
    }
  }
}

// Arguments: headword count, locale collation (0 or 1).
BENCHMARK(BM_InflateWordsStream)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDictionary)
    ->ArgsProduct({{100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindWord)
    ->ArgsProduct({{100000, 1000000}, {0, 1}})
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindWordConversion)
    ->DenseRange(0, 2)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoaderSearchForMissingLibrary)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
