// The resource pack reader over fuzzed bytes: indexing, every entry read by
// its own name, a few fixed names, and the listing. The first byte picks the
// input's form: the bytes as a whole pack, or a valid pack with some of its
// bytes replaced (offset, value pairs), which reaches the entry checks and
// the inflating of packed entries far more often.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "compiler/pack_writer.h"
#include "engine/resource_pack.h"

namespace {

const std::vector<std::uint8_t>& valid_pack() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<lexora::compiler::PackSourceEntry> entries;
    entries.push_back({u"img\\cat.png", {0x89, 'P', 'N', 'G', 1, 2, 3}, false});
    entries.push_back({u"style.css", std::vector<std::uint8_t>(300, 'b'), true});
    entries.push_back({u"snd\\house.ogg", {'O', 'g', 'g', 'S'}, false});
    entries.push_back({u"docs\\about.txt", std::vector<std::uint8_t>(100, 'a'), true});
    std::string error;
    return lexora::compiler::build_pack(entries, {1, false}, &error);
  }();
  return bytes;
}

void exercise(const std::uint8_t* data, std::size_t size) {
  auto pack = lexora::ResourcePack::from_memory({data, size});
  if (!pack) return;
  std::vector<std::uint8_t> buffer;
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < pack->entry_count() && i < 64; ++i) {
    lexora::PackEntryInfo e = pack->entry(i);
    std::uint32_t n = 0;
    const std::uint8_t* p = pack->read_entry(e.name, &n, &buffer);
    // Touch every byte handed out, so that an out-of-range view is caught.
    if (p != nullptr) {
      for (std::uint32_t k = 0; k < n; ++k) sum += p[k];
    }
  }
  for (const char16_t* name : {u"style.css", u"img/cat.png", u"IMG/CAT.PNG", u""}) {
    std::uint32_t n = 0;
    const std::uint8_t* p = pack->read_entry(name, &n, &buffer);
    if (p != nullptr && n > 0) sum += p[n - 1];
  }
  volatile std::uint32_t sink = sum;
  (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if (data[0] % 2 == 0) {
    // An exact-size copy: any read past the end is an overflow ASan sees.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size - 1]);
    std::memcpy(copy.get(), data + 1, size - 1);
    exercise(copy.get(), size - 1);
    return 0;
  }
  std::vector<std::uint8_t> bytes = valid_pack();
  for (std::size_t i = 1; i + 2 < size; i += 3) {
    std::size_t at = (data[i] | (data[i + 1] << 8)) % bytes.size();
    bytes[at] = data[i + 2];
  }
  if (size % 7 == 0 && bytes.size() > 20) bytes.resize(bytes.size() - size % 20);
  exercise(bytes.data(), bytes.size());
  return 0;
}
