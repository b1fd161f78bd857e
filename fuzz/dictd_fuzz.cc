// The dictd reader and the conversion over fuzzed databases. The input is
// split at its first 0xFF byte: before it the .index text, after it the
// .dict data. The second byte chooses how the data is stored: as it is, or
// wrapped as a dictzip file with a chunk table (so that random chunk reads
// are exercised), or taken as the .dict.dz bytes themselves.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/scratch_files.h"
#include "import/dictd_reader.h"
#include "import/dictionary_collector.h"
#include "import/test_sources.h"

namespace {

using lexora::fuzz::put_file;

const std::string& folder() {
  return lexora::fuzz::scratch_folder("dictd-fuzz");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int form = data[0] % 3;
  const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t split = input.find('\xFF');
  const std::string index = input.substr(0, split);
  const std::string text = split == std::string::npos ? std::string() : input.substr(split + 1);
  const std::string base = folder() + "/db";
  std::error_code ignored;
  std::filesystem::remove(base + ".dict", ignored);
  std::filesystem::remove(base + ".dict.dz", ignored);
  put_file(base + ".index", index);
  if (form == 0) put_file(base + ".dict", text);
  if (form == 1) put_file(base + ".dict.dz", lexora::import::test::dictzip(text, 32));
  if (form == 2) put_file(base + ".dict.dz", text);
  lexora::import::DictionaryCollector collector{lexora::import::ConversionOptions{}};
  lexora::import::ImportError error;
  if (lexora::import::read_dictd_dictionary(base + ".index", &collector, &error)) {
    std::string message;
    collector.write(folder() + "/out.zd", folder() + "/out.zpak", &message);
  }
  return 0;
}
