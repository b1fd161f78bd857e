// Reading DSL and XDXF sources into article markup (the readers alone; the
// conversion into a .zd is measured separately). The sources are made here:
// cards with the usual tags, indents, labels and links.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "import/dsl_reader.h"
#include "import/import_sink.h"
#include "import/xdxf_reader.h"

namespace lexora::import {
namespace {

class CountingSink : public ImportSink {
 public:
  void add_article(std::vector<std::string> headwords, std::string markup) override {
    articles += headwords.size() > 0 ? 1 : 0;
    markup_bytes += markup.size();
  }
  void add_synonym(std::string, std::string) override {}
  void add_abbreviation(std::string, std::string) override {}
  void add_media(std::string, std::vector<std::uint8_t>) override {}
  void skip(const SkipReason&) override {}
  void set_languages(const std::string&, const std::string&) override {}
  void set_title(const std::string&) override {}
  bool progress(std::uint64_t, std::uint64_t) override { return true; }
  std::uint64_t articles = 0;
  std::uint64_t markup_bytes = 0;
};

std::vector<std::uint8_t> make_dsl(int cards) {
  std::u16string text = u"\uFEFF#NAME \"Bench\"\r\n#INDEX_LANGUAGE \"English\"\r\n\r\n";
  for (int i = 0; i < cards; ++i) {
    const std::u16string w = u"word" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) +
                             std::u16string(1, static_cast<char16_t>(u'0' + i % 10));
    text += w + u"\r\n{to }" + w + u"s\r\n";
    text += u"\t[m1]\\[[t]wɜːd[/t]\\] [p]n.[/p] [b]1.[/b] [trn]слово, речь[/trn]; ~ one[/m]\r\n";
    text +=
        u"\t[m2][*][ex][lang id=1033]a ~ of honour[/lang] — [trn]честное "
        u"слово[/trn][/ex][/*][/m]\r\n";
    text +=
        u"\t[m2][com](see [ref]phrase[/ref] and <<term>>)[/com] [c "
        u"darkred]{{note}}rare[/c][/m]\r\n\r\n";
  }
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t u : text) {
    bytes.push_back(static_cast<std::uint8_t>(u));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return bytes;
}

std::vector<std::uint8_t> make_xdxf(int cards) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xdxf lang_from=\"ENG\" "
      "lang_to=\"RUS\" format=\"visual\"><full_name>Bench</full_name>\n";
  for (int i = 0; i < cards; ++i) {
    xml += "<ar><k>word" + std::to_string(i) + "</k><k>w" + std::to_string(i) + "</k>\n";
    xml += "[<tr>wɜːd</tr>] <abr>n.</abr> <b>1.</b> слово, речь; see <kref>phrase</kref>\n";
    xml += "<ex>a word of honour — честное слово</ex> <co>(rare)</co> <c c=\"darkred\">x</c>\n";
    xml += "</ar>\n";
  }
  xml += "</xdxf>\n";
  return std::vector<std::uint8_t>(xml.begin(), xml.end());
}

void BM_ReadDsl(benchmark::State& state) {
  const std::vector<std::uint8_t> dsl = make_dsl(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CountingSink sink;
    ImportError error;
    read_dsl_bytes(dsl, {}, nullptr, "bench.dsl", &sink, &error);
    benchmark::DoNotOptimize(sink.markup_bytes);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * dsl.size()));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadDsl)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_ReadXdxf(benchmark::State& state) {
  const std::vector<std::uint8_t> xml = make_xdxf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CountingSink sink;
    ImportError error;
    read_xdxf_bytes(xml, nullptr, "bench.xdxf", &sink, &error);
    benchmark::DoNotOptimize(sink.markup_bytes);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * xml.size()));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadXdxf)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lexora::import

BENCHMARK_MAIN();
