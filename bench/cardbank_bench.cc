// Flash-card export, library side: adding one record to a database of
// 10,000 records. Each add reads the whole file, checks every record's word
// for a duplicate, writes the new file beside the old one, flushes it to the
// disk and renames it over the old one. The database lives in the system's
// temporary folder (LEXORA_BENCH_DIR overrides it, to measure another disk).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cardbank/card_database.h"
#include "cardbank/new_record.h"

namespace {

constexpr std::size_t kRecords = 10000;

void put_be32(std::vector<std::uint8_t>* b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) (*b)[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

void append_text(std::vector<std::uint8_t>* out, std::u16string_view text) {
  for (char16_t u : text) {
    out->push_back(static_cast<std::uint8_t>(u & 0xFF));
    out->push_back(static_cast<std::uint8_t>(u >> 8));
  }
  out->insert(out->end(), {0, 0});
}

std::u16string word_for(std::size_t i) {
  const std::string ascii = "word" + std::to_string(i);
  return std::u16string(ascii.begin(), ascii.end());
}

// A database laid out as the library lays it out, with `count` records of a
// typical size (about 100 bytes each), built in one pass.
std::vector<std::uint8_t> database_image(std::size_t count) {
  std::vector<std::uint8_t> image = lexora::cardbank::CardDatabase::empty_image("bench");
  const std::size_t list_end = lexora::cardbank::kHeaderSize + 8 * count;
  image.insert(image.begin() + lexora::cardbank::kHeaderSize, 8 * count, 0);
  image[76] = static_cast<std::uint8_t>(count >> 8);
  image[77] = static_cast<std::uint8_t>(count);
  put_be32(&image, lexora::cardbank::kAppInfoOffsetField, static_cast<std::uint32_t>(list_end + 2));
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = lexora::cardbank::kHeaderSize + 8 * i;
    put_be32(&image, entry, static_cast<std::uint32_t>(image.size()));
    put_be32(&image, entry + 4,
             lexora::cardbank::CardDatabase::unique_id_for(static_cast<std::uint16_t>(i)));
    append_text(&image, word_for(i));
    append_text(&image, u"ˈwɜːd");
    append_text(&image, u"слово, речь, обещание");
    image.insert(image.end(), {0, 0});
  }
  return image;
}

std::string bench_folder() {
  const char* dir = std::getenv("LEXORA_BENCH_DIR");
  return dir ? std::string(dir) : std::filesystem::temp_directory_path().string();
}

// Puts the starting database in place and flushes it, so that its write-back
// is not charged to the export being timed.
void write_image(const std::string& path, const std::vector<std::uint8_t>& image) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

void BM_AddRecordTo10000(benchmark::State& state) {
  const std::string path = bench_folder() + "/lexora-bench-cards.pdb";
  const std::u16string path16(path.begin(), path.end());
  const std::vector<std::uint8_t> image = database_image(kRecords);
  for (auto _ : state) {
    state.PauseTiming();
    write_image(path, image);
    state.ResumeTiming();
    const std::int32_t result =
        lexora::cardbank::new_record(path16, u"newword", u"ˈnjuː", u"новое слово");
    if (result != lexora::cardbank::kRecordAdded) state.SkipWithError("the record was not added");
    benchmark::DoNotOptimize(result);
  }
  state.counters["file_bytes"] = static_cast<double>(image.size());
  std::filesystem::remove(path);
}
BENCHMARK(BM_AddRecordTo10000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The duplicate found in the last record: the whole file is read and checked,
// nothing is written.
void BM_PresentWordIn10000(benchmark::State& state) {
  const std::string path = bench_folder() + "/lexora-bench-cards-present.pdb";
  const std::u16string path16(path.begin(), path.end());
  write_image(path, database_image(kRecords));
  const std::u16string last = word_for(kRecords - 1);
  for (auto _ : state) {
    const std::int32_t result = lexora::cardbank::new_record(path16, last, u"", u"x");
    if (result != lexora::cardbank::kWordPresent) state.SkipWithError("the word was not found");
    benchmark::DoNotOptimize(result);
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_PresentWordIn10000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
