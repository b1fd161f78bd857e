// Markup conversion and page composition.
//
// Throughput is counted in article characters (one byte each as the
// dictionary stores them in a single-byte code page). Every benchmark also
// reports `allocs_per_iter`: the calls of operator new made by the timed loop
// after one warm-up run, which shows whether steady use allocates.
//
// The sample dictionary's articles are read from the file named by the
// environment variable LEXORA_BENCH_DICT, else from LEXORA_SAMPLE_DICT given
// at build time; without either that benchmark is skipped.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "bench/alloc_counter.h"
#include "compiler/dictionary_writer.h"
#include "compiler/pack_writer.h"
#include "engine/dictionary.h"
#include "render/markup.h"
#include "render/page.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

// One paragraph of a typical bilingual article: transcription, sound,
// numbered and lettered items, abbreviations, a reference and some HTML.
const std::u16string kParagraph =
    u"<t>ˈhaʊs</t> <wav>house.ogg</wav> _n. (pl. houses) _I 1. дом, здание; жилище "
    u"а> жилой дом б> особняк 2. семья, род; династия 3. палата (парламента) "
    u"_перен. <b>the House</b> 1> палата общин 2> театр, зрители; публика "
    u"_разг. see also <r>home</r> and <abr>амер.</abr> _II _v. 1. поселять; давать "
    u"жильё 2. помещать, размещать (тж. <i>house in</i>) 3. приютить, дать кров\n";

std::u16string make_article(std::size_t characters) {
  std::u16string text;
  while (text.size() < characters) text += kParagraph;
  text.resize(characters);
  return text;
}

std::vector<std::u16string> sample_articles() {
  std::vector<std::u16string> articles;
  const char* path = std::getenv("LEXORA_BENCH_DICT");
#ifdef LEXORA_SAMPLE_DICT
  if (path == nullptr) path = LEXORA_SAMPLE_DICT;
#endif
  if (path == nullptr) return articles;
  Dictionary dict;
  if (!dict.open_dictionary(path)) return articles;
  for (std::uint32_t i = 0; i < dict.word_count(); ++i) {
    if (auto article = dict.article_at(i)) articles.emplace_back(*article);
  }
  return articles;
}

void count_allocations(benchmark::State& state, std::uint64_t before) {
  state.counters["allocs_per_iter"] = benchmark::Counter(
      static_cast<double>(bench::allocation_count() - before), benchmark::Counter::kAvgIterations);
}

void BM_MarkupSampleArticles(benchmark::State& state) {
  static const std::vector<std::u16string> articles = sample_articles();
  if (articles.empty()) {
    state.SkipWithError("no sample dictionary (set LEXORA_BENCH_DICT)");
    return;
  }
  std::size_t characters = 0;
  for (const auto& a : articles) characters += a.size();
  std::u16string page;
  for (const auto& a : articles) {
    page.clear();
    convert_markup(a, true, &page);
  }
  const std::uint64_t before = bench::allocation_count();
  for (auto _ : state) {
    for (const auto& a : articles) {
      page.clear();
      convert_markup(a, true, &page);
      benchmark::DoNotOptimize(page.data());
    }
  }
  count_allocations(state, before);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * characters));
  state.counters["articles"] = static_cast<double>(articles.size());
}
BENCHMARK(BM_MarkupSampleArticles);

void BM_MarkupLargeArticle(benchmark::State& state) {
  const bool auto_format = state.range(0) != 0;
  const std::u16string article = make_article(100 * 1024);
  std::u16string page;
  convert_markup(article, auto_format, &page);
  const std::uint64_t before = bench::allocation_count();
  for (auto _ : state) {
    page.clear();
    convert_markup(article, auto_format, &page);
    benchmark::DoNotOptimize(page.data());
  }
  count_allocations(state, before);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * article.size()));
}
BENCHMARK(BM_MarkupLargeArticle)->Arg(1)->Arg(0)->ArgName("auto_format");

// A dictionary of 2 KB articles, with a compressed style sheet in its pack
// when `with_style_sheet`.
class PageFixture {
 public:
  explicit PageFixture(bool with_style_sheet) {
    compiler::DictionarySource source;
    for (int k = 0; k < 50; ++k) {
      source.entries.emplace_back(u"house" +
                                      std::u16string(1, static_cast<char16_t>(u'a' + k % 26)) +
                                      std::u16string(1, static_cast<char16_t>(u'a' + k / 26)),
                                  make_article(2048));
    }
    std::string error;
    const std::string path = dir_.file("bench.zd");
    compiler::write_dictionary_file(path, source, {}, &error);
    if (with_style_sheet) {
      const std::string css =
          "body { margin: 4px; line-height: 1.3 }\n a { text-decoration: none }\n"
          "h1, h2 { font-weight: bold }\n.tr { color: #663300 }\n";
      compiler::write_pack_file(
          dir_.file("bench.zpak"),
          {{u"style.css", std::vector<std::uint8_t>(css.begin(), css.end()), true}}, {}, &error);
    }
    ok_ = dict_.open_dictionary(path);
    style_.font_face = u"DejaVu Sans";
  }

  test::TempDir dir_;
  Dictionary dict_;
  PageStyle style_;
  PageBuffer buffer_;
  bool ok_ = false;
};

void BM_ComposePage(benchmark::State& state) {
  const bool with_style_sheet = state.range(0) != 0;
  PageFixture f(with_style_sheet);
  if (!f.ok_) {
    state.SkipWithError("cannot build the bench dictionary");
    return;
  }
  // The article and headword are copied out, as the view sees them after
  // article_at; composition alone is measured here.
  const std::u16string article(*f.dict_.article_at(7));
  const std::u16string headword(*f.dict_.word_at(7));
  render_article_page(f.dict_, headword, article, f.style_, f.buffer_);
  const std::uint64_t before = bench::allocation_count();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        render_article_page(f.dict_, headword, article, f.style_, f.buffer_).data());
  }
  count_allocations(state, before);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * article.size()));
}
BENCHMARK(BM_ComposePage)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("style_sheet")
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// With a fresh PageBuffer for every page the page and the inflated style
// sheet are allocated anew each time: this shows the counter at work.
void BM_ComposePageFreshBuffer(benchmark::State& state) {
  PageFixture f(true);
  if (!f.ok_) {
    state.SkipWithError("cannot build the bench dictionary");
    return;
  }
  const std::u16string article(*f.dict_.article_at(7));
  const std::u16string headword(*f.dict_.word_at(7));
  const std::uint64_t before = bench::allocation_count();
  for (auto _ : state) {
    PageBuffer fresh;
    benchmark::DoNotOptimize(
        render_article_page(f.dict_, headword, article, f.style_, fresh).data());
  }
  count_allocations(state, before);
}
BENCHMARK(BM_ComposePageFreshBuffer);

void BM_ComposePageColours(benchmark::State& state) {
  PageFixture f(true);
  if (!f.ok_) {
    state.SkipWithError("cannot build the bench dictionary");
    return;
  }
  f.style_.colours_in_effect = true;
  f.style_.text_colour = 0xBBFFC5;
  f.style_.heading_colour = 0xE8D0F0;
  f.style_.link_colour = 0xFF8080;
  const std::u16string article(*f.dict_.article_at(7));
  const std::u16string headword(*f.dict_.word_at(7));
  render_article_page(f.dict_, headword, article, f.style_, f.buffer_);
  const std::uint64_t before = bench::allocation_count();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        render_article_page(f.dict_, headword, article, f.style_, f.buffer_).data());
  }
  count_allocations(state, before);
}
BENCHMARK(BM_ComposePageColours)->Repetitions(9)->ReportAggregatesOnly(true);

// The article view's path: article_at (its block cached) and word_at, then
// composition.
void BM_RenderArticleAt(benchmark::State& state) {
  PageFixture f(true);
  if (!f.ok_) {
    state.SkipWithError("cannot build the bench dictionary");
    return;
  }
  render_article_at(f.dict_, 7, f.style_, f.buffer_);
  const std::uint64_t before = bench::allocation_count();
  for (auto _ : state) {
    benchmark::DoNotOptimize(render_article_at(f.dict_, 7, f.style_, f.buffer_).data());
  }
  count_allocations(state, before);
}
BENCHMARK(BM_RenderArticleAt)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace lexora

BENCHMARK_MAIN();
