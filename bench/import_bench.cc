// Importing Debian's GCIDE dictd database (/usr/share/dictd/gcide.*), and
// for comparison, in the same run, the dictd2dic converter of stardict-tools
// on the same database (when /usr/lib/stardict-tools/dictd2dic is
// installed; its input must be an uncompressed .dict, made once before the
// timing, so its figure leaves out the unzipping). The import is timed on
// both: the package's .dict.dz and that same uncompressed .dict. Then the cost of opening
// the converted dictionary, against zlib's inflate of its words stream
// alone (the floor of any .zd's opening).
//
// Each import runs in a child process, so that its CPU time and peak
// resident memory (getrusage of the child) are its own; a child that does
// nothing gives the baseline memory of the program itself. Figures are
// reported as counters: cpu_s, wall_s, maxrss_MB, baseline_MB, and the
// unpacked article text of the source (text_MB).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "compiler/block_compressor.h"
#include "engine/dictionary.h"
#include "import/import_dictionary.h"
#include "platform/heap_pages.h"
#include "platform/messages.h"
#include "testing/recording_message_sink.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

constexpr char kGcideIndex[] = "/usr/share/dictd/gcide.index";
constexpr char kGcideData[] = "/usr/share/dictd/gcide.dict.dz";
constexpr char kDictd2dic[] = "/usr/lib/stardict-tools/dictd2dic";

test::TempDir& folder() {
  static test::TempDir dir;
  return dir;
}

struct ChildCost {
  double cpu_s = 0;
  double wall_s = 0;
  double maxrss_mb = 0;
  bool ok = false;
};

// Runs `work` in a child process and measures it.
template <typename Work>
ChildCost in_child(Work work) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(work() ? 0 : 1);
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  ChildCost cost;
  cost.wall_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  cost.cpu_s = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
               usage.ru_stime.tv_usec / 1e6;
  cost.maxrss_mb = usage.ru_maxrss / 1024.0;
  cost.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return cost;
}

double gcide_text_mb() {
  static double mb = [] {
    gzFile f = gzopen(kGcideData, "rb");
    if (f == nullptr) return 0.0;
    std::vector<char> buffer(1 << 20);
    double total = 0;
    int n;
    while ((n = gzread(f, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0) total += n;
    gzclose(f);
    return total / (1024.0 * 1024.0);
  }();
  return mb;
}

void report(benchmark::State& state, const ChildCost& cost) {
  state.SetIterationTime(cost.wall_s);
  state.counters["cpu_s"] = cost.cpu_s;
  state.counters["wall_s"] = cost.wall_s;
  state.counters["maxrss_MB"] = cost.maxrss_mb;
  state.counters["text_MB"] = gcide_text_mb();
  if (!cost.ok) state.SkipWithError("the child failed");
}

// GCIDE's index beside its text unzipped (dictd2dic reads only that),
// made once; empty when it cannot be.
std::string unzipped_gcide() {
  static const std::string work = [] {
    const std::string dir = folder().file("unzipped");
    std::filesystem::create_directories(dir);
    std::error_code ec;
    std::filesystem::copy_file(kGcideIndex, dir + "/gcide.index",
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ec ||
        std::system(("zcat " + std::string(kGcideData) + " > " + dir + "/gcide.dict").c_str()) != 0)
      return std::string();
    return dir;
  }();
  return work;
}

void BM_BaselineProcess(benchmark::State& state) {
  for (auto _ : state) report(state, in_child([] { return true; }));
}

void BM_ImportGcide(benchmark::State& state) {
  if (!std::filesystem::exists(kGcideIndex)) {
    state.SkipWithError("dict-gcide is not installed");
    return;
  }
  const bool copy = state.range(0) == 1;
  const bool unzipped = state.range(1) == 1;
  if (unzipped && unzipped_gcide().empty()) {
    state.SkipWithError("cannot unzip the data");
    return;
  }
  const std::string source = unzipped ? unzipped_gcide() + "/gcide.index" : kGcideIndex;
  for (auto _ : state) {
    report(state, in_child([copy, &source] {
             // As lexora-cli import does.
             advise_huge_heap_pages(import::kImportHeapReserve);
             import::ImportOptions options;
             options.conversion.synonyms =
                 copy ? import::SynonymMode::kCopy : import::SynonymMode::kLink;
             import::ImportError error;
             return import::import_dictionary(source, folder().file("gcide.zd"), options, nullptr,
                                              &error);
           }));
  }
  std::error_code ec;
  state.counters["file_MB"] = std::filesystem::file_size(folder().file("gcide.zd"), ec) / 1048576.0;
}

void BM_Dictd2dicGcide(benchmark::State& state) {
  if (!std::filesystem::exists(kDictd2dic) || !std::filesystem::exists(kGcideIndex)) {
    state.SkipWithError("stardict-tools or dict-gcide is not installed");
    return;
  }
  const std::string work = unzipped_gcide();
  if (work.empty()) {
    state.SkipWithError("cannot unzip the data");
    return;
  }
  for (auto _ : state) {
    report(state, in_child([&] {
             if (::chdir(work.c_str()) != 0) return false;
             // Quiet: it prints a line per headword it cannot place.
             if (std::freopen("/dev/null", "w", stdout) == nullptr) return false;
             ::execl(kDictd2dic, "dictd2dic", "gcide", static_cast<char*>(nullptr));
             return false;
           }));
  }
}

// Opening the converted GCIDE (word list, abbreviations, block table)
// against inflating its words stream alone.
void BM_OpenConvertedGcide(benchmark::State& state) {
  const std::string path = folder().file("gcide.zd");
  if (!std::filesystem::exists(path)) {
    state.SkipWithError("run BM_ImportGcide first");
    return;
  }
  RecordingMessageSink messages;
  Dictionary dict;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(dict.open_dictionary(path));
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    dict.close_dictionary();
  }
}

void BM_InflateWordsFloor(benchmark::State& state) {
  const std::string path = folder().file("gcide.zd");
  const std::vector<std::uint8_t> file = test::read_file(path);
  const auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(file[at] | file[at + 1] << 8 | file[at + 2] << 16 |
                                      static_cast<std::uint32_t>(file[at + 3]) << 24);
  };
  const std::uint32_t words_size = u32(6), words_packed = u32(10);
  std::vector<std::uint8_t> out(words_size);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    uLongf size = words_size;
    uncompress(out.data(), &size, file.data() + 50, words_packed);
    benchmark::DoNotOptimize(out.data());
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}

// The deflate of the article blocks alone, one core, over GCIDE's text cut
// into blocks of the converted file's mean size, through the compressor the
// writer uses (no worker threads): zlib's default level (what the compiler's
// build writes) against the fast deflate (ISA-L's igzip) imports use.
void BM_DeflateGcideBlocks(benchmark::State& state) {
  const std::string text = [] {
    std::string all;
    gzFile f = gzopen(kGcideData, "rb");
    if (f == nullptr) return all;
    std::vector<char> buffer(1 << 20);
    int n;
    while ((n = gzread(f, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0)
      all.append(buffer.data(), static_cast<std::size_t>(n));
    gzclose(f);
    return all;
  }();
  if (text.empty()) {
    state.SkipWithError("dict-gcide is not installed");
    return;
  }
  const auto compression = state.range(0) == 1 ? compiler::BlockCompression::kFast
                                               : compiler::BlockCompression::kZlibDefault;
  constexpr std::size_t kBlock = 14500;  // 40 MB in 2,765 blocks
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  compiler::BlockCompressor compressor(0, compression);
  std::vector<std::uint8_t> block, packed_block;
  std::size_t packed = 0;
  for (auto _ : state) {
    packed = 0;
    for (std::size_t at = 0; at < text.size(); at += kBlock) {
      const std::size_t size = std::min(kBlock, text.size() - at);
      block.assign(bytes + at, bytes + at + size);
      compressor.submit(std::move(block));
      std::size_t unpacked = 0;
      compressor.take(&unpacked, &packed_block);
      packed += packed_block.size();
    }
  }
  state.counters["packed_MB"] = packed / 1e6;
  state.counters["MB_per_s"] = benchmark::Counter(static_cast<double>(text.size()) / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_BaselineProcess)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
// {synonyms copied, source unzipped}
BENCHMARK(BM_ImportGcide)
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dictd2dicGcide)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeflateGcideBlocks)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenConvertedGcide)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateWordsFloor)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lexora

BENCHMARK_MAIN();
