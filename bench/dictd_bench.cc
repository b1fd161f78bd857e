// lexora-dictd against Debian's dictd on the same generated GCIDE-sized
// data, in the same run, interleaved so that both see the same load on the
// (shared) machine. Every server listens on 127.0.0.1 only and is stopped
// at exit. Figures are counters: medians in microseconds, requests per
// second, server CPU per request (from /proc, the children of dictd
// included once it has reaped them).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <thread>

#include "bench/dictd_bench_data.h"
#include "bench/dictd_bench_support.h"
#include "engine/dictionary.h"
#include "engine/fuzzy_index.h"
#include "platform/utf.h"

namespace lexora::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kHeadwords = 180000;
constexpr int kStartTimeoutMs = 20000;
constexpr int kWorkerThreads = 2;
constexpr char kDatabase[] = "gen";

double micros(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

// CPU time of the calling thread, in microseconds: on a shared machine the
// in-process figures are taken in CPU time, which other work does not inflate.
double thread_cpu_micros() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// The generated data and one running server of each kind, made on first use.
class Setup {
 public:
  static Setup& get() {
    static Setup setup;
    return setup;
  }
  ~Setup() {
    lexora_.reset();
    dictd_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  const GeneratedData& data() const { return data_; }
  int lexora_port() const { return lexora_port_; }
  int dictd_port() const { return dictd_port_; }
  pid_t lexora_pid() const { return lexora_->pid(); }
  pid_t dictd_pid() const { return dictd_->pid(); }

  std::unique_ptr<Process> start_lexora(int port) const {
    return std::make_unique<Process>(std::vector<std::string>{
        LEXORA_DICTD, "--address", "127.0.0.1", "--port", std::to_string(port), "--threads",
        std::to_string(kWorkerThreads), data_.zd_path});
  }
  std::unique_ptr<Process> start_dictd(int port) const {
    return std::make_unique<Process>(std::vector<std::string>{
        "dictd", "-d", "nodetach", "-c", config_, "-p", std::to_string(port), "--listen-to",
        "127.0.0.1", "--pid-file", folder_ + "/dictd-" + std::to_string(port) + ".pid", "--limit",
        "200", "--locale", "C.UTF-8", "-f"});
  }

 private:
  Setup() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "lexora-dictd-bench-XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
    // dictd started by root runs as its own user: it must read and write here.
    ::chmod(folder_.c_str(), 0777);
    data_ = generate_dictionaries(folder_, kHeadwords, 2026);
    config_ = folder_ + "/dictd.conf";
    std::ofstream(config_) << "database " << kDatabase << " { data \"" << data_.dictd_dict_path
                           << "\" index \"" << data_.dictd_index_path << "\" }\n";
    lexora_port_ = free_port();
    lexora_ = start_lexora(lexora_port_);
    dictd_port_ = free_port();
    dictd_ = start_dictd(dictd_port_);
    // Both are up (and lexora-dictd has its matching data) before measuring.
    DictConnection a(lexora_port_, kStartTimeoutMs), b(dictd_port_, kStartTimeoutMs);
    a.command(std::string("MATCH ") + kDatabase + " exact " + data_.headwords[0]);
    b.command(std::string("MATCH ") + kDatabase + " exact " + data_.headwords[0]);
  }

  std::string folder_;
  std::string config_;
  GeneratedData data_;
  int lexora_port_ = 0;
  int dictd_port_ = 0;
  std::unique_ptr<Process> lexora_;
  std::unique_ptr<Process> dictd_;
};

// Plain words (no blank, as the dict client sends them unquoted).
std::vector<std::string> sample_words(std::size_t n, std::uint32_t seed) {
  const auto& words = Setup::get().data().headwords;
  std::mt19937 rng(seed);
  std::vector<std::string> out;
  while (out.size() < n) {
    const std::string& w =
        words[std::uniform_int_distribution<std::size_t>(0, words.size() - 1)(rng)];
    if (w.find(' ') == std::string::npos) out.push_back(w);
  }
  return out;
}

struct Side {
  std::vector<double> micros;
  double cpu = 0;
  std::size_t bytes = 0;
  int failures = 0;
};

// One connection to each server; `make(i)` is command i, sent to both
// servers one after the other, alternating which goes first.
void interleaved_round_trips(benchmark::State& state, int count,
                             const std::function<std::string(int)>& make, int expected_code) {
  Setup& s = Setup::get();
  Side lexora, dictd;
  for (auto _ : state) {
    const double lexora_cpu = cpu_seconds(s.lexora_pid()), dictd_cpu = cpu_seconds(s.dictd_pid());
    {
      DictConnection a(s.lexora_port(), kStartTimeoutMs), b(s.dictd_port(), kStartTimeoutMs);
      for (int i = 0; i < count; ++i) {
        const std::string command = make(i);
        for (int k = 0; k < 2; ++k) {
          const bool lexora_turn = (k == 0) == (i % 2 == 0);
          Side& side = lexora_turn ? lexora : dictd;
          std::size_t bytes = 0;
          const auto start = Clock::now();
          const int code = (lexora_turn ? a : b).command(command, &bytes);
          side.micros.push_back(micros(Clock::now() - start));
          side.bytes += bytes;
          if (code != expected_code) ++side.failures;
        }
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // dictd reaps its child
    lexora.cpu = cpu_seconds(s.lexora_pid()) - lexora_cpu;
    dictd.cpu = cpu_seconds(s.dictd_pid()) - dictd_cpu;
  }
  const double n = count;
  state.counters["lexora_p50_us"] = median(lexora.micros);
  state.counters["dictd_p50_us"] = median(dictd.micros);
  state.counters["lexora_p90_us"] = percentile(lexora.micros, 0.9);
  state.counters["dictd_p90_us"] = percentile(dictd.micros, 0.9);
  state.counters["ratio_p50"] = median(lexora.micros) / median(dictd.micros);
  state.counters["lexora_cpu_us_per_req"] = lexora.cpu * 1e6 / n;
  state.counters["dictd_cpu_us_per_req"] = dictd.cpu * 1e6 / n;
  state.counters["lexora_bytes_per_req"] = static_cast<double>(lexora.bytes) / n;
  state.counters["dictd_bytes_per_req"] = static_cast<double>(dictd.bytes) / n;
  state.counters["lexora_failures"] = lexora.failures;
  state.counters["dictd_failures"] = dictd.failures;
}

void BM_DefineRoundTrip(benchmark::State& state) {
  const std::vector<std::string> words = sample_words(1000, 7);
  interleaved_round_trips(
      state, static_cast<int>(words.size()),
      [&](int i) { return std::string("DEFINE ") + kDatabase + " " + words[i]; }, 150);
}
BENCHMARK(BM_DefineRoundTrip)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_MatchLevRoundTrip(benchmark::State& state) {
  const std::vector<std::string> words = sample_words(500, 8);
  interleaved_round_trips(
      state, static_cast<int>(words.size()),
      [&](int i) {
        return std::string("MATCH ") + kDatabase + " lev " +
               misspell(words[i], 1, static_cast<std::uint32_t>(i));
      },
      152);
}
BENCHMARK(BM_MatchLevRoundTrip)->Iterations(1)->Unit(benchmark::kMillisecond);

// 32 clients, each sending DEFINE and MATCH prefix in turn for a while; the
// servers take turns, twice each.
void BM_Throughput32Clients(benchmark::State& state) {
  constexpr int kClients = 32;
  constexpr auto kPhase = std::chrono::seconds(3);
  Setup& s = Setup::get();
  const std::vector<std::string> words = sample_words(4000, 9);
  double requests[2] = {0, 0}, seconds[2] = {0, 0}, cpu[2] = {0, 0};
  int failures[2] = {0, 0};
  for (auto _ : state) {
    for (int phase = 0; phase < 4; ++phase) {
      const int who = phase % 2;  // 0 lexora, 1 dictd
      const int port = who == 0 ? s.lexora_port() : s.dictd_port();
      const pid_t pid = who == 0 ? s.lexora_pid() : s.dictd_pid();
      const double cpu_before = cpu_seconds(pid);
      std::atomic<long> done{0};
      std::atomic<int> bad{0};
      const auto start = Clock::now();
      std::vector<std::thread> clients;
      for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
          DictConnection conn(port, kStartTimeoutMs);
          for (std::size_t i = static_cast<std::size_t>(c) * 97; Clock::now() - start < kPhase;
               ++i) {
            const std::string& w = words[i % words.size()];
            if (conn.command(std::string("DEFINE ") + kDatabase + " " + w) != 150) ++bad;
            if (conn.command(std::string("MATCH ") + kDatabase + " prefix " + w.substr(0, 4)) !=
                152)
              ++bad;
            done += 2;
          }
        });
      }
      for (std::thread& t : clients) t.join();
      seconds[who] += std::chrono::duration<double>(Clock::now() - start).count();
      requests[who] += static_cast<double>(done.load());
      failures[who] += bad.load();
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      cpu[who] += cpu_seconds(pid) - cpu_before;
    }
  }
  state.counters["lexora_req_per_s"] = requests[0] / seconds[0];
  state.counters["dictd_req_per_s"] = requests[1] / seconds[1];
  state.counters["ratio"] = (requests[0] / seconds[0]) / (requests[1] / seconds[1]);
  state.counters["lexora_cpu_us_per_req"] = cpu[0] * 1e6 / requests[0];
  state.counters["dictd_cpu_us_per_req"] = cpu[1] * 1e6 / requests[1];
  state.counters["lexora_failures"] = failures[0];
  state.counters["dictd_failures"] = failures[1];
}
BENCHMARK(BM_Throughput32Clients)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// From spawning the program to the banner on a fresh connection; for
// lexora-dictd also to the first answer that needs the matching data.
void BM_StartToBanner(benchmark::State& state) {
  constexpr int kRounds = 5;
  Setup& s = Setup::get();
  const std::string word = sample_words(1, 10)[0];
  std::vector<double> lexora, lexora_first_answer, dictd, lexora_cpu, dictd_cpu;
  for (auto _ : state) {
    for (int r = 0; r < kRounds; ++r) {
      {
        const int port = free_port();
        const auto start = Clock::now();
        auto p = s.start_lexora(port);
        DictConnection c(port, kStartTimeoutMs);
        lexora.push_back(micros(Clock::now() - start));
        lexora_cpu.push_back(cpu_seconds(p->pid()) * 1e6);
        c.command(std::string("DEFINE ") + kDatabase + " " + word);
        lexora_first_answer.push_back(micros(Clock::now() - start));
      }
      {
        const int port = free_port();
        const auto start = Clock::now();
        auto p = s.start_dictd(port);
        DictConnection c(port, kStartTimeoutMs);
        dictd.push_back(micros(Clock::now() - start));
        dictd_cpu.push_back(cpu_seconds(p->pid()) * 1e6);
      }
    }
  }
  state.counters["lexora_ms"] = median(lexora) / 1000;
  state.counters["lexora_first_define_ms"] = median(lexora_first_answer) / 1000;
  state.counters["dictd_ms"] = median(dictd) / 1000;
  // CPU the server had used when the banner came (10 ms clock ticks).
  state.counters["lexora_cpu_ms"] = median(lexora_cpu) / 1000;
  state.counters["dictd_cpu_ms"] = median(dictd_cpu) / 1000;
}
BENCHMARK(BM_StartToBanner)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The Debian dict client, one process per lookup, against each server.
void BM_DictClient(benchmark::State& state) {
  constexpr int kCalls = 40;
  Setup& s = Setup::get();
  const std::vector<std::string> words = sample_words(kCalls, 11);
  std::vector<double> define[2], lev[2];
  int failures[2] = {0, 0};
  auto run = [](const std::vector<std::string>& argv) {
    const auto start = Clock::now();
    Process p(argv);
    const int status = p.wait(30000);
    return std::make_pair(micros(Clock::now() - start), status);
  };
  for (auto _ : state) {
    for (int i = 0; i < kCalls; ++i) {
      for (int k = 0; k < 2; ++k) {
        const int who = (k + i) % 2;  // 0 lexora, 1 dictd; alternate which goes first
        const std::string port = std::to_string(who == 0 ? s.lexora_port() : s.dictd_port());
        const auto d = run({"dict", "-h", "127.0.0.1", "-p", port, words[i]});
        define[who].push_back(d.first);
        const auto m = run({"dict", "-h", "127.0.0.1", "-p", port, "-s", "lev", "-m",
                            misspell(words[i], 1, static_cast<std::uint32_t>(i))});
        lev[who].push_back(m.first);
        if (d.second != 0) ++failures[who];
      }
    }
  }
  state.counters["lexora_define_ms"] = median(define[0]) / 1000;
  state.counters["dictd_define_ms"] = median(define[1]) / 1000;
  state.counters["lexora_lev_ms"] = median(lev[0]) / 1000;
  state.counters["dictd_lev_ms"] = median(lev[1]) / 1000;
  state.counters["lexora_failures"] = failures[0];
  state.counters["dictd_failures"] = failures[1];
}
BENCHMARK(BM_DictClient)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The fuzzy index in process, on the same 180,000 headwords: build time,
// memory, and the time of one suggestion (misspelled words, so most are
// misses of the exact lookup), against a scan of every key.
void BM_Suggest(benchmark::State& state) {
  const int distance = static_cast<int>(state.range(0));
  Dictionary dict;
  if (!dict.open_dictionary(Setup::get().data().zd_path)) {
    state.SkipWithError("cannot open the generated dictionary");
    return;
  }
  const double build_start = thread_cpu_micros();
  const FuzzyIndex index = FuzzyIndex::build(dict);
  const double build_ms = (thread_cpu_micros() - build_start) / 1000;
  const std::vector<std::string> words = sample_words(2000, 12);
  std::vector<std::u16string> queries;
  for (std::size_t i = 0; i < words.size(); ++i)
    queries.push_back(utf8_to_utf16(misspell(words[i], distance, static_cast<std::uint32_t>(i))));
  std::vector<double> times, scan_times;
  std::size_t found = 0;
  for (auto _ : state) {
    for (const std::u16string& q : queries) {
      const double start = thread_cpu_micros();
      const std::vector<FuzzyMatch> m = index.suggest(q, distance, 100);
      times.push_back(thread_cpu_micros() - start);
      found += m.size();
    }
    for (std::size_t i = 0; i < 20; ++i) {
      const std::u16string folded = index.fold(queries[i]);
      const auto start = Clock::now();
      std::size_t near = 0;
      for (std::uint32_t k = 0; k < index.key_count(); ++k)
        near += edit_distance(folded, index.key(k)) <= distance;
      scan_times.push_back(micros(Clock::now() - start));
      benchmark::DoNotOptimize(near);
    }
  }
  state.counters["p50_us"] = median(times);
  state.counters["p90_us"] = percentile(times, 0.9);
  state.counters["max_us"] = percentile(times, 1.0);
  state.counters["scan_p50_us"] = median(scan_times);
  state.counters["found_per_query"] =
      static_cast<double>(found) / static_cast<double>(queries.size());
  state.counters["build_ms"] = build_ms;
  state.counters["index_MiB"] = static_cast<double>(index.memory_bytes()) / (1024.0 * 1024.0);
  state.counters["keys"] = index.key_count();
  state.counters["trie_nodes"] = static_cast<double>(index.node_count());
}
BENCHMARK(BM_Suggest)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond);

// Memory of the running lexora-dictd serving the generated dictionary.
void BM_ServerMemory(benchmark::State& state) {
  Setup& s = Setup::get();
  for (auto _ : state) {
    DictConnection c(s.lexora_port(), kStartTimeoutMs);
    c.command(std::string("DEFINE ") + kDatabase + " " + s.data().headwords[1]);
  }
  state.counters["lexora_rss_MiB"] =
      static_cast<double>(resident_bytes(s.lexora_pid())) / (1024.0 * 1024.0);
  state.counters["dictd_rss_MiB"] =
      static_cast<double>(resident_bytes(s.dictd_pid())) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ServerMemory)->Iterations(1);

}  // namespace
}  // namespace lexora::bench

BENCHMARK_MAIN();
