// The StarDict reader and the conversion over fuzzed dictionaries. The
// first byte chooses the .ifo (sametypesequence none, "m", "tm" or "h";
// 32- or 64-bit offsets); the rest is split at its first two 0xFE bytes
// into the .idx, the .dict and the .syn.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/scratch_files.h"
#include "import/dictionary_collector.h"
#include "import/stardict_reader.h"

namespace {

using lexora::fuzz::put_file;

const std::string& folder() {
  return lexora::fuzz::scratch_folder("stardict-fuzz");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const char* const kTypes[] = {"", "m", "tm", "h"};
  const int form = data[0];
  std::string ifo = "StarDict's dict ifo file\nversion=3.0.0\nbookname=fuzz\n";
  if (kTypes[form % 4][0] != '\0')
    ifo += std::string("sametypesequence=") + kTypes[form % 4] + "\n";
  if ((form / 4) % 2 == 1) ifo += "idxoffsetbits=64\n";
  const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t a = input.find('\xFE');
  const std::size_t b = a == std::string::npos ? a : input.find('\xFE', a + 1);
  const std::string base = folder() + "/sd";
  put_file(base + ".ifo", ifo);
  put_file(base + ".idx", input.substr(0, a));
  put_file(base + ".dict", a == std::string::npos ? std::string() : input.substr(a + 1, b - a - 1));
  put_file(base + ".syn", b == std::string::npos ? std::string() : input.substr(b + 1));
  lexora::import::DictionaryCollector collector{lexora::import::ConversionOptions{}};
  lexora::import::ImportError error;
  if (lexora::import::read_stardict_dictionary(base + ".ifo", &collector, &error)) {
    std::string message;
    collector.write(folder() + "/out.zd", folder() + "/out.zpak", &message);
  }
  return 0;
}
