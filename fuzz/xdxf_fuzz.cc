// The XDXF reader on arbitrary bytes. Besides memory errors it checks that
// every article the reader hands on has at least one headword and no empty
// one, and that a failure always says why.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "import/recording_sink_for_test.h"
#include "import/xdxf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lexora::import::RecordingSink sink;
  lexora::import::ImportError error;
  const bool ok = lexora::import::read_xdxf_bytes(std::span<const std::uint8_t>(data, size),
                                                  nullptr, "fuzz.xdxf", &sink, &error);
  if (!ok && error.message.empty()) std::abort();
  for (const auto& article : sink.articles) {
    if (article.headwords.empty()) std::abort();
    for (const auto& h : article.headwords) {
      if (h.empty()) std::abort();
    }
  }
  return 0;
}
