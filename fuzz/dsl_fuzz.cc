// The DSL reader on arbitrary bytes: the first byte splits the rest into the
// dictionary, its abbreviation file and a media archive. Besides memory
// errors it checks that every article the reader hands on has at least one
// headword and no empty one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "import/dsl_reader.h"
#include "import/media_source.h"
#include "import/recording_sink_for_test.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::span<const std::uint8_t> rest(data + 1, size - 1);
  const std::size_t cut1 = rest.size() * (data[0] & 0x0F) / 16;
  const std::size_t cut2 = cut1 + (rest.size() - cut1) * (data[0] >> 4) / 16;
  const auto dsl = rest.subspan(0, cut1 == 0 ? rest.size() : cut1);
  const auto abbreviations = cut1 == 0 ? rest.subspan(0, 0) : rest.subspan(cut1, cut2 - cut1);
  const auto zip = cut1 == 0 ? rest.subspan(0, 0) : rest.subspan(cut2);

  std::string message;
  std::unique_ptr<lexora::import::MediaSource> media =
      lexora::import::MediaSource::from_zip_bytes(zip, &message);
  lexora::import::RecordingSink sink;
  lexora::import::ImportError error;
  lexora::import::read_dsl_bytes(dsl, abbreviations, media.get(), "fuzz.dsl", &sink, &error);
  for (const auto& article : sink.articles) {
    if (article.headwords.empty()) std::abort();
    for (const auto& h : article.headwords) {
      if (h.empty()) std::abort();
    }
  }
  return 0;
}
