// Search through article text on a dictionary the size of a large English
// dictionary: about 180 MB of article text in about 1,800 blocks.
//
// - the floor: zlib alone reading and inflating every block on one core;
//   and the same with libdeflate, which the search inflates with;
// - a complete search (rare word, common word, phrase, expression) on all
//   cores, wall and process CPU time;
// - the time to the first result for a common word;
// - the memory a search adds: the peak of the heap our code allocates with
//   operator new, and the peak resident set, per worker.
//
// The fixture is written once (streamed, so its text is never all in memory)
// to $LEXORA_BENCH_DIR or the system's temporary folder and reused by later
// runs. LEXORA_SEARCH_DICT names another .zd to run the same searches on
// (for instance one made by lexora-cli import); LEXORA_SEARCH_COMMON and
// LEXORA_SEARCH_RARE then give its common and rare word.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/article_search.h"
#include "engine/dictionary.h"
#include "engine/dictionary_header.h"
#include "platform/utf.h"

// --- heap accounting: bytes in use through operator new, and their peak ---
namespace {
std::atomic<std::int64_t> g_in_use{0};
std::atomic<std::int64_t> g_peak{0};
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* counted_new(std::size_t size) {
  void* raw = std::malloc(size + kHeader);
  if (raw == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(raw) = size;
  const std::int64_t now =
      g_in_use.fetch_add(static_cast<std::int64_t>(size)) + static_cast<std::int64_t>(size);
  std::int64_t peak = g_peak.load();
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
  }
  return static_cast<char*>(raw) + kHeader;
}
void counted_delete(void* p) {
  if (p == nullptr) return;
  void* raw = static_cast<char*>(p) - kHeader;
  g_in_use.fetch_sub(static_cast<std::int64_t>(*static_cast<std::size_t*>(raw)));
  std::free(raw);
}
}  // namespace

void* operator new(std::size_t size) {
  return counted_new(size);
}
void* operator new[](std::size_t size) {
  return counted_new(size);
}
void operator delete(void* p) noexcept {
  counted_delete(p);
}
void operator delete[](void* p) noexcept {
  counted_delete(p);
}
void operator delete(void* p, std::size_t) noexcept {
  counted_delete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  counted_delete(p);
}

namespace lexora {
namespace {

constexpr std::uint32_t kArticlesPerBlock = 64;
constexpr std::uint32_t kBlocks = 1800;
constexpr std::uint32_t kArticles = kArticlesPerBlock * kBlocks;  // 115,200
constexpr std::size_t kArticleChars = 1560;  // about 100 KB a block, 180 MB in all
constexpr std::uint32_t kCodePage = 1252;
constexpr std::uint32_t kEnglish = 0x0409;
constexpr char kCommonWord[] = "the";
constexpr char kRareWord[] = "quagmire";  // put into a few articles on purpose
constexpr int kRareEvery = 9973;

void put_u32(std::vector<std::uint8_t>* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// English-like text: a Zipf-ish choice among function words and generated
// words, with the markup of a dictionary article around it.
class TextMaker {
 public:
  TextMaker() : random_(20261207) {
    static const char* const kSyllables[] = {"ab", "ac", "al", "an", "ar", "be",  "ca",   "co",
                                             "de", "di", "en", "er", "es", "ing", "in",   "io",
                                             "le", "li", "ma", "ne", "on", "or",  "ous",  "pe",
                                             "ra", "re", "ri", "st", "te", "ti",  "tion", "ur"};
    std::uniform_int_distribution<int> count(1, 4), syllable(0, 31);
    while (vocabulary_.size() < 30000) {
      std::string word;
      for (int i = count(random_); i > 0; --i) word += kSyllables[syllable(random_)];
      vocabulary_.push_back(word);
    }
    for (const char* w :
         {"the",  "of",   "a",  "to",  "and", "in",   "or", "as",  "which", "is",
          "that", "with", "by", "for", "an",  "from", "be", "any", "one",   "having"})
      function_words_.push_back(w);
  }

  std::string word() {
    if (pick(100) < 45) return function_words_[static_cast<std::size_t>(pick(20) * pick(20) / 20)];
    // Squaring a uniform choice favours the first words, as word use does.
    const double u = std::uniform_real_distribution<double>(0, 1)(random_);
    return vocabulary_[static_cast<std::size_t>(u * u * u * (vocabulary_.size() - 1))];
  }

  std::string article(std::uint32_t index, const std::string& headword) {
    std::string text = "<b>" + headword + "</b> <t>" + word() + "</t>, <abr>n.</abr> ";
    int item = 1;
    while (text.size() < kArticleChars) {
      switch (pick(14)) {
        case 0:
          text += "\n" + std::to_string(item++) + ". ";
          break;
        case 1:
          text += "<i>" + word() + " " + word() + "</i> ";
          break;
        case 2:
          text += "See <r>" + word() + "</r>. ";
          break;
        case 3:
          text += "[" + word() + ".] ";
          break;
        default:
          text += word() + (pick(8) == 0 ? ", " : " ");
      }
    }
    if (index % kRareEvery == 0) text += std::string(" a ") + kRareWord + ".";
    return text;
  }

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

 private:
  std::mt19937 random_;
  std::vector<std::string> vocabulary_;
  std::vector<std::string> function_words_;
};

std::vector<std::uint8_t> compress(const std::string& data) {
  uLongf size = compressBound(data.size());
  std::vector<std::uint8_t> out(size);
  if (::compress(out.data(), &size, reinterpret_cast<const Bytef*>(data.data()), data.size()) !=
      Z_OK)
    std::abort();
  out.resize(size);
  return out;
}

// Writes the fixture: a version-5 header, the words, the block table and the
// blocks, one block in memory at a time.
std::string make_fixture() {
  const char* dir = std::getenv("LEXORA_BENCH_DIR");
  const std::filesystem::path path =
      std::filesystem::path(dir != nullptr ? dir
                                           : std::filesystem::temp_directory_path().string()) /
      "lexora-search-bench-v1.zd";
  if (std::filesystem::exists(path)) return path.string();
  TextMaker maker;
  std::set<std::string> unique;
  while (unique.size() < kArticles) unique.insert(maker.word() + std::to_string(maker.pick(1000)));
  const std::vector<std::string> headwords(unique.begin(), unique.end());
  std::string words;
  for (const std::string& w : headwords) words += w + '\0';
  const std::vector<std::uint8_t> packed_words = compress(words);

  std::vector<std::uint8_t> head;
  put_u32(&head, 0);  // the version's two bytes go first; fixed below
  head.resize(2);
  head[0] = 5;
  for (std::uint32_t v : {kArticles, static_cast<std::uint32_t>(words.size()),
                          static_cast<std::uint32_t>(packed_words.size()), kArticlesPerBlock,
                          kBlocks, 0u, 0u, 0u, 0u, kCodePage, kCodePage, kEnglish})
    put_u32(&head, v);
  const std::string temporary = path.string() + ".part";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
  out.write(reinterpret_cast<const char*>(packed_words.data()),
            static_cast<std::streamsize>(packed_words.size()));
  const std::uint64_t table_at = head.size() + packed_words.size();
  std::vector<std::uint8_t> table(std::size_t{kBlocks} * 4);
  out.write(reinterpret_cast<const char*>(table.data()),
            static_cast<std::streamsize>(table.size()));
  std::uint64_t at = table_at + table.size();
  table.clear();
  for (std::uint32_t b = 0; b < kBlocks; ++b) {
    std::string block;
    for (std::uint32_t k = 0; k < kArticlesPerBlock; ++k) {
      const std::uint32_t index = b * kArticlesPerBlock + k;
      block += maker.article(index, headwords[index]) + '\0';
    }
    const std::vector<std::uint8_t> packed = compress(block);
    put_u32(&table, static_cast<std::uint32_t>(at));
    std::vector<std::uint8_t> block_head;
    put_u32(&block_head, static_cast<std::uint32_t>(block.size()));
    put_u32(&block_head, static_cast<std::uint32_t>(packed.size()));
    out.write(reinterpret_cast<const char*>(block_head.data()), 8);
    out.write(reinterpret_cast<const char*>(packed.data()),
              static_cast<std::streamsize>(packed.size()));
    at += 8 + packed.size();
  }
  out.seekp(static_cast<std::streamoff>(table_at));
  out.write(reinterpret_cast<const char*>(table.data()),
            static_cast<std::streamsize>(table.size()));
  out.close();
  std::filesystem::rename(temporary, path);
  return path.string();
}

const std::string& dictionary_path() {
  static const std::string path = [] {
    const char* other = std::getenv("LEXORA_SEARCH_DICT");
    return other != nullptr ? std::string(other) : make_fixture();
  }();
  return path;
}

std::string env_or(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : fallback;
}

unsigned cores() {
  return std::max(1u, std::thread::hardware_concurrency());
}

// Reads every block with pread and inflates it with `inflate(packed, size,
// unpacked, capacity)`, which returns the bytes inflated; one core. Reports
// the article text inflated.
template <typename Inflate>
void inflate_all_blocks(benchmark::State& state, Inflate inflate) {
  Dictionary dict;
  if (!dict.open_dictionary(dictionary_path())) return state.SkipWithError("no dictionary");
  const int fd = ::open(dictionary_path().c_str(), O_RDONLY);
  std::vector<std::uint8_t> packed;
  std::vector<std::uint8_t> unpacked;
  std::uint64_t text = 0;
  for (auto _ : state) {
    text = 0;
    for (std::uint32_t offset : dict.block_offsets()) {
      std::uint8_t head[8];
      if (::pread(fd, head, 8, offset) != 8) std::abort();
      const std::uint32_t size =
          head[0] | head[1] << 8 | head[2] << 16 | std::uint32_t{head[3]} << 24;
      const std::uint32_t packed_size =
          head[4] | head[5] << 8 | head[6] << 16 | std::uint32_t{head[7]} << 24;
      packed.resize(packed_size);
      unpacked.resize(size);
      if (::pread(fd, packed.data(), packed_size, offset + 8) != static_cast<ssize_t>(packed_size))
        std::abort();
      text += inflate(packed.data(), packed_size, unpacked.data(), size);
      benchmark::DoNotOptimize(unpacked.data());
    }
  }
  ::close(fd);
  state.counters["text_MB"] = static_cast<double>(text) / 1e6;
  state.counters["blocks"] = static_cast<double>(dict.block_offsets().size());
  state.SetBytesProcessed(static_cast<std::int64_t>(text) * state.iterations());
}

// zlib alone, with uncompress: the floor a search is measured against.
void BM_InflateAllBlocksOneCore(benchmark::State& state) {
  inflate_all_blocks(state, [](const std::uint8_t* packed, std::uint32_t packed_size,
                               std::uint8_t* unpacked, std::uint32_t size) {
    uLongf filled = size;
    if (::uncompress(unpacked, &filled, packed, packed_size) != Z_OK) std::abort();
    return static_cast<std::uint64_t>(filled);
  });
}
BENCHMARK(BM_InflateAllBlocksOneCore)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// The same with libdeflate, which the search inflates with: what is left of
// a search's time over this is the search's own work.
void BM_InflateAllBlocksOneCoreLibdeflate(benchmark::State& state) {
  libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
  inflate_all_blocks(state, [inflater](const std::uint8_t* packed, std::uint32_t packed_size,
                                       std::uint8_t* unpacked, std::uint32_t size) {
    std::size_t filled = 0;
    if (libdeflate_zlib_decompress(inflater, packed, packed_size, unpacked, size, &filled) !=
        LIBDEFLATE_SUCCESS)
      std::abort();
    return static_cast<std::uint64_t>(filled);
  });
  libdeflate_free_decompressor(inflater);
}
BENCHMARK(BM_InflateAllBlocksOneCoreLibdeflate)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

void run_search(benchmark::State& state, const std::string& text, bool regex) {
  Dictionary dict;
  if (!dict.open_dictionary(dictionary_path())) return state.SkipWithError("no dictionary");
  std::string error;
  const std::unique_ptr<SearchQuery> query =
      SearchQuery::compile(utf8_to_utf16(text), regex, dict.header().locale_id, &error);
  if (!query) return state.SkipWithError(error.c_str());
  SearchOptions options;
  options.threads = static_cast<unsigned>(state.range(0));
  SearchSummary summary;
  for (auto _ : state) {
    summary = search_articles(
        dict, *query, options, [](const SearchHit&) { return true; }, nullptr, nullptr);
  }
  state.counters["hits"] = static_cast<double>(summary.hits);
  state.counters["threads"] = summary.threads;
  state.counters["cores"] = cores();
}

void BM_SearchRareWord(benchmark::State& state) {
  run_search(state, env_or("LEXORA_SEARCH_RARE", kRareWord), false);
}
void BM_SearchCommonWord(benchmark::State& state) {
  run_search(state, env_or("LEXORA_SEARCH_COMMON", kCommonWord), false);
}
void BM_SearchPhrase(benchmark::State& state) {
  run_search(state, "\"of the\"", false);
}
void BM_SearchRegex(benchmark::State& state) {
  run_search(state, "qu[a-z]+ire\\b", true);
}
#define SEARCH_BENCH(name)             \
  BENCHMARK(name)                      \
      ->Arg(1)                         \
      ->Arg(static_cast<int>(cores())) \
      ->Unit(benchmark::kMillisecond)  \
      ->UseRealTime()                  \
      ->MeasureProcessCPUTime()
SEARCH_BENCH(BM_SearchRareWord);
SEARCH_BENCH(BM_SearchCommonWord);
SEARCH_BENCH(BM_SearchPhrase);
SEARCH_BENCH(BM_SearchRegex);

// From the call to the first result delivered, for a common word, with a
// fresh search each time (the file's pages are in the page cache).
void BM_FirstResultCommonWord(benchmark::State& state) {
  Dictionary dict;
  if (!dict.open_dictionary(dictionary_path())) return state.SkipWithError("no dictionary");
  std::string error;
  const std::unique_ptr<SearchQuery> query =
      SearchQuery::compile(utf8_to_utf16(env_or("LEXORA_SEARCH_COMMON", kCommonWord)), false,
                           dict.header().locale_id, &error);
  for (auto _ : state) {
    SearchOptions options;
    options.max_results = 1;
    std::uint64_t hits = 0;
    search_articles(
        dict, *query, options, [&](const SearchHit&) { return ++hits, true; }, nullptr, nullptr);
    if (hits != 1) state.SkipWithError("no result");
  }
}
BENCHMARK(BM_FirstResultCommonWord)->Unit(benchmark::kMillisecond)->UseRealTime();

std::int64_t status_kb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::atoll(line.c_str() + std::strlen(field));
  return -1;
}

// The memory a complete search adds, per worker: heap through operator new
// (peak minus what was in use before) and resident set (peak, after the
// kernel's high-water mark is reset, minus what was resident before).
void BM_SearchMemoryPerWorker(benchmark::State& state) {
  Dictionary dict;
  if (!dict.open_dictionary(dictionary_path())) return state.SkipWithError("no dictionary");
  std::string error;
  const std::unique_ptr<SearchQuery> query =
      SearchQuery::compile(utf8_to_utf16(env_or("LEXORA_SEARCH_RARE", kRareWord)), false,
                           dict.header().locale_id, &error);
  SearchOptions options;
  options.threads = static_cast<unsigned>(state.range(0));
  double heap_mb = 0;
  double rss_mb = 0;
  for (auto _ : state) {
    {
      std::ofstream clear("/proc/self/clear_refs");
      clear << "5";
    }
    const std::int64_t rss_before = status_kb("VmRSS:");
    const std::int64_t before = g_in_use.load();
    g_peak.store(before);
    search_articles(
        dict, *query, options, [](const SearchHit&) { return true; }, nullptr, nullptr);
    heap_mb =
        static_cast<double>(g_peak.load() - before) / 1e6 / static_cast<double>(options.threads);
    rss_mb = static_cast<double>(status_kb("VmHWM:") - rss_before) / 1e3 /
             static_cast<double>(options.threads);
  }
  state.counters["heap_MB_per_worker"] = heap_mb;
  state.counters["rss_MB_per_worker"] = rss_mb;
}
BENCHMARK(BM_SearchMemoryPerWorker)
    ->Arg(1)
    ->Arg(static_cast<int>(cores()))
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace lexora

BENCHMARK_MAIN();
