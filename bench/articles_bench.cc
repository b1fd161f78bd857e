// Articles, the resource pack and the checksum.
//
// - article_at on neighbouring indices (the block is cached) and on random
//   indices (one inflate each), against zlib's bare uncompress of the same
//   blocks read from memory;
// - articles per block: file size against raw text, and the random-article
//   time, for the choice of the compiler's default;
// - read_pack_entry on a pack of 10,000 entries, stored and packed;
// - verify_checksum over a 100 MB file, against zlib's adler32 over the same
//   bytes in memory and read from the page cache.
//
// Fixtures are built by our own compiler in a temporary folder at start.
// Run with --benchmark_repetitions=5 for medians.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "compiler/dictionary_writer.h"
#include "compiler/pack_writer.h"
#include "engine/dictionary.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

constexpr int kArticleCount = 20000;
constexpr std::size_t kArticleBytes = 300;

// Pseudo-words from syllables, Latin and Cyrillic, so that blocks compress
// about as well as real dictionary text (neither random nor repetitive).
std::u16string make_article(std::mt19937* rng) {
  static const char16_t* const kLatin[] = {u"ba", u"co", u"de",   u"fi",  u"gu", u"ha", u"ki",
                                           u"lo", u"me", u"ni",   u"pu",  u"ra", u"st", u"te",
                                           u"vo", u"wa", u"tion", u"ing", u"er", u"ly"};
  static const char16_t* const kCyrillic[] = {u"\u0434\u043e",
                                              u"\u043c\u0430",
                                              u"\u043d\u0438",
                                              u"\u043a\u043e",
                                              u"\u0440\u0435",
                                              u"\u0441\u0442\u0432",
                                              u"\u043e\u0441\u0442\u044c",
                                              u"\u043b\u0438",
                                              u"\u0442\u044c",
                                              u"\u043f\u0440\u043e",
                                              u"\u0432\u0430",
                                              u"\u0437\u0430"};
  std::uniform_int_distribution<int> syllables(1, 4);
  std::uniform_int_distribution<int> pick(0, 1000);
  std::u16string text = u"<t>";
  for (int i = syllables(*rng); i > 0; --i) text += kLatin[pick(*rng) % 20];
  text += u"</t> _n. ";
  int item = 1;
  while (text.size() < kArticleBytes) {
    if (pick(*rng) % 9 == 0) text += u" " + std::u16string(1, char16_t(u'0' + item++ % 10)) + u". ";
    bool cyrillic = pick(*rng) % 3 != 0;
    for (int i = syllables(*rng); i > 0; --i) {
      text += cyrillic ? kCyrillic[pick(*rng) % 12] : kLatin[pick(*rng) % 20];
    }
    text += pick(*rng) % 5 == 0 ? u", " : u" ";
  }
  text.resize(kArticleBytes);
  return text;
}

compiler::DictionarySource make_source(int count) {
  std::mt19937 rng(42);
  compiler::DictionarySource source;
  source.entries.reserve(count);
  for (int i = 0; i < count; ++i) {
    char word[16];
    std::snprintf(word, sizeof word, "w%06d", i);
    source.entries.emplace_back(std::u16string(word, word + 7), make_article(&rng));
  }
  return source;
}

// One dictionary per articles-per-block value, written once.
struct Fixture {
  std::string path;
  std::uint64_t file_size = 0;
  std::uint64_t raw_size = 0;
  std::vector<std::vector<std::uint8_t>> blocks;  // packed block data
  std::vector<std::uint32_t> unpacked_sizes;
};

test::TempDir& temp_dir() {
  static test::TempDir dir;
  return dir;
}

const Fixture& fixture(std::uint32_t per_block) {
  static std::map<std::uint32_t, Fixture> fixtures;
  auto it = fixtures.find(per_block);
  if (it != fixtures.end()) return it->second;
  static const compiler::DictionarySource source = make_source(kArticleCount);
  Fixture f;
  f.path = temp_dir().file("d" + std::to_string(per_block) + ".zd");
  compiler::DictionaryOptions options;
  options.articles_per_block = per_block;
  std::string error;
  if (!compiler::write_dictionary_file(f.path, source, options, &error)) std::abort();
  std::vector<std::uint8_t> bytes = test::read_file(f.path);
  f.file_size = bytes.size();
  f.raw_size = static_cast<std::uint64_t>(kArticleCount) * (kArticleBytes + 1);
  Dictionary dict;
  if (!dict.open_dictionary(f.path)) std::abort();
  const DictionaryHeader& h = dict.header();
  std::size_t table = kHeaderSizeV4 + h.words_packed_size;
  for (std::uint32_t b = 0; b < h.block_count; ++b) {
    std::size_t at = table + 4 * b;
    std::uint32_t offset = bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
    std::uint32_t unpacked = bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
                             static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
    std::uint32_t packed = bytes[offset + 4] | bytes[offset + 5] << 8 | bytes[offset + 6] << 16 |
                           static_cast<std::uint32_t>(bytes[offset + 7]) << 24;
    f.blocks.emplace_back(bytes.begin() + offset + 8, bytes.begin() + offset + 8 + packed);
    f.unpacked_sizes.push_back(unpacked);
  }
  return fixtures.emplace(per_block, std::move(f)).first->second;
}

// Random indices whose blocks all differ from the one before.
std::vector<std::uint32_t> random_indices(std::uint32_t per_block, std::size_t n) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::uint32_t> pick(0, kArticleCount - 1);
  std::vector<std::uint32_t> out;
  while (out.size() < n) {
    std::uint32_t i = pick(rng);
    if (out.empty() || out.back() / per_block != i / per_block) out.push_back(i);
  }
  return out;
}

void BM_ArticleCachedBlock(benchmark::State& state) {
  const Fixture& f = fixture(100);
  Dictionary dict;
  if (!dict.open_dictionary(f.path)) std::abort();
  std::uint32_t base = 5000;  // block 50
  dict.article_at(base);
  std::uint32_t k = 0;
  for (auto _ : state) {
    auto text = dict.article_at(base + k);
    benchmark::DoNotOptimize(text);
    k = (k + 1) % 100;
  }
  state.counters["blocks_inflated"] = static_cast<double>(dict.block_loads());
}
BENCHMARK(BM_ArticleCachedBlock);

void BM_ArticleRandomBlock(benchmark::State& state) {
  const auto per_block = static_cast<std::uint32_t>(state.range(0));
  const Fixture& f = fixture(per_block);
  Dictionary dict;
  if (!dict.open_dictionary(f.path)) std::abort();
  std::vector<std::uint32_t> indices = random_indices(per_block, 4096);
  std::size_t n = 0;
  for (auto _ : state) {
    auto text = dict.article_at(indices[n++ % indices.size()]);
    benchmark::DoNotOptimize(text);
  }
  state.counters["file_to_raw_pct"] =
      100.0 * static_cast<double>(f.file_size) / static_cast<double>(f.raw_size);
}
BENCHMARK(BM_ArticleRandomBlock)->Arg(10)->Arg(25)->Arg(50)->Arg(64)->Arg(100)->Arg(200)->Arg(500);

// The floor: zlib's one-call uncompress of the same blocks, already in memory.
void BM_ZlibUncompressBlock(benchmark::State& state) {
  const auto per_block = static_cast<std::uint32_t>(state.range(0));
  const Fixture& f = fixture(per_block);
  std::vector<std::uint32_t> indices = random_indices(per_block, 4096);
  std::vector<std::uint8_t> out;
  std::size_t n = 0;
  for (auto _ : state) {
    std::uint32_t b = indices[n++ % indices.size()] / per_block;
    out.resize(f.unpacked_sizes[b]);
    uLongf len = static_cast<uLongf>(out.size());
    if (::uncompress(out.data(), &len, f.blocks[b].data(),
                     static_cast<uLong>(f.blocks[b].size())) != Z_OK) {
      std::abort();
    }
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_ZlibUncompressBlock)->Arg(10)->Arg(25)->Arg(50)->Arg(64)->Arg(100)->Arg(200)->Arg(500);

// --- resource pack ---

constexpr int kPackEntries = 10000;

struct PackFixture {
  std::string dict_path;
  std::vector<std::u16string> names;
};

const PackFixture& pack_fixture() {
  static PackFixture f = [] {
    PackFixture p;
    std::vector<compiler::PackSourceEntry> entries;
    std::mt19937 rng(3);
    for (int i = 0; i < kPackEntries; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "snd\\w%05d.%s", i, i % 2 ? "ogg" : "css");
      std::u16string wide(name, name + std::strlen(name));
      std::vector<std::uint8_t> data(2048);
      if (i % 2) {
        for (auto& b : data) b = static_cast<std::uint8_t>(rng());  // stored
      } else {
        for (std::size_t k = 0; k < data.size(); ++k) data[k] = "body{color:red}\n"[k % 16];
      }
      entries.push_back({wide, std::move(data), true});
      p.names.push_back(wide);
    }
    p.dict_path = temp_dir().file("pack.zd");
    std::string error;
    compiler::DictionarySource source = make_source(10);
    if (!compiler::write_dictionary_file(p.dict_path, source, {}, &error) ||
        !compiler::write_pack_file(temp_dir().file("pack.zpak"), entries, {}, &error)) {
      std::abort();
    }
    return p;
  }();
  return f;
}

void read_pack(benchmark::State& state, int parity) {
  const PackFixture& f = pack_fixture();
  Dictionary dict;
  if (!dict.open_dictionary(f.dict_path) || dict.pack() == nullptr) std::abort();
  std::mt19937 rng(11);
  std::vector<std::u16string> order;
  for (int i = 0; i < 4096; ++i)
    order.push_back(f.names[(rng() % (kPackEntries / 2)) * 2 + parity]);
  std::vector<std::uint8_t> buffer;
  std::size_t n = 0;
  for (auto _ : state) {
    std::uint32_t size = 0;
    const std::uint8_t* p = dict.read_pack_entry(order[n++ % order.size()], &size, &buffer);
    if (p == nullptr) std::abort();
    benchmark::DoNotOptimize(p);
  }
}
void BM_ReadPackEntryStored(benchmark::State& state) {
  read_pack(state, 1);
}
void BM_ReadPackEntryPacked(benchmark::State& state) {
  read_pack(state, 0);
}
BENCHMARK(BM_ReadPackEntryStored);
BENCHMARK(BM_ReadPackEntryPacked);

// --- checksum ---

constexpr std::size_t kChecksumFileSize = 100u << 20;

const std::string& checksum_file() {
  static std::string path = [] {
    std::string p = temp_dir().file("big.zd");
    compiler::DictionaryOptions options;
    options.flags = FLAG_HAS_CHECKSUM;
    std::string error;
    std::vector<std::uint8_t> bytes = compiler::build_dictionary(make_source(100), options, &error);
    if (bytes.empty()) std::abort();
    // Padding after the last block is never read by anything but the check.
    bytes.resize(kChecksumFileSize - kChecksumSize);
    std::mt19937 rng(5);
    for (std::size_t i = bytes.size() / 2; i < bytes.size(); ++i) {
      bytes[i] = static_cast<std::uint8_t>(rng());
    }
    std::uint32_t sum =
        static_cast<std::uint32_t>(adler32(0, bytes.data(), static_cast<uInt>(bytes.size())));
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(sum >> (8 * i)));
    test::write_file(p, bytes);
    return p;
  }();
  return path;
}

void BM_VerifyChecksum(benchmark::State& state) {
  Dictionary dict;
  if (!dict.open_dictionary(checksum_file())) std::abort();
  for (auto _ : state) {
    if (dict.verify_checksum() != kChecksumOk) std::abort();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(kChecksumFileSize));
}
BENCHMARK(BM_VerifyChecksum)->Unit(benchmark::kMillisecond);

// zlib's adler32 over the file read from the page cache in 1 MiB pieces.
void BM_ZlibAdlerFromPageCache(benchmark::State& state) {
  const std::string& path = checksum_file();
  std::vector<unsigned char> buffer(1u << 20);
  for (auto _ : state) {
    int fd = ::open(path.c_str(), O_RDONLY);
    uLong sum = 0;
    ssize_t n;
    while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) {
      sum = adler32(sum, buffer.data(), static_cast<uInt>(n));
    }
    ::close(fd);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(kChecksumFileSize));
}
BENCHMARK(BM_ZlibAdlerFromPageCache)->Unit(benchmark::kMillisecond);

// zlib's adler32 over the same bytes already in memory.
void BM_ZlibAdlerInMemory(benchmark::State& state) {
  std::vector<std::uint8_t> bytes = test::read_file(checksum_file());
  for (auto _ : state) {
    uLong sum = adler32(0, bytes.data(), static_cast<uInt>(bytes.size()));
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ZlibAdlerInMemory)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lexora

BENCHMARK_MAIN();
