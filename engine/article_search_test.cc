#include "engine/article_search.h"

#include <gtest/gtest.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <random>
#include <thread>

#include "compiler/dictionary_writer.h"
#include "engine/dictionary.h"
#include "platform/messages.h"
#include "platform/nls.h"
#include "platform/utf.h"
#include "testing/recording_message_sink.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

using compiler::DictionaryOptions;
using compiler::DictionarySource;

constexpr std::uint32_t kRussian = 0x0019;

// A generated article together with its visible text, built piece by piece
// alongside the markup rather than derived from it.
struct GeneratedArticle {
  std::u16string stored;
  std::u16string visible;
};

class ArticleGenerator {
 public:
  explicit ArticleGenerator(unsigned seed) : random_(seed) {}

  GeneratedArticle make() {
    GeneratedArticle article;
    const int pieces = pick(12);  // 0 pieces: an empty article
    for (int i = 0; i < pieces; ++i) add_piece(&article);
    article.visible = collapse(article.visible);
    return article;
  }

 private:
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  std::u16string word() {
    static const std::u16string_view kWords[] = {
        u"house", u"House", u"HOUSES", u"lighthouse", u"red",     u"Red",     u"big",
        u"дом",   u"ДОМ",   u"Дома",   u"садом",      u"красный", u"КРАСНЫЙ", u"ref"};
    return std::u16string(kWords[pick(static_cast<int>(std::size(kWords)))]);
  }

  void add_piece(GeneratedArticle* a) {
    const std::u16string w = word();
    switch (pick(11)) {
      case 0:
      case 1:
        a->stored += w, a->visible += w;
        break;
      case 2:
        a->stored += u" ", a->visible += u" ";
        break;
      case 3:
        a->stored += u"\n\t ", a->visible += u" ";
        break;
      case 4:  // inline tags: no space of their own
        a->stored += u"<b>" + w + u"</b>", a->visible += w;
        break;
      case 5:
        a->stored += u"<br>", a->visible += u" ";
        break;
      case 6:  // a reference: nothing of it shows
        a->stored += u"<r>" + w + u"</r>";
        break;
      case 7: {
        const std::u16string text = word();
        a->stored += u"<a href=\"" + w + u".html\" title='" + w + u"'>" + text + u"</a>";
        a->visible += text;
        break;
      }
      case 8:
        a->stored += u"&amp;", a->visible += u"&";
        break;
      case 9:
        a->stored += u"<t>" + w + u"</t>", a->visible += w;
        break;
      default:
        a->stored += u"<wav>" + w + u".wav</wav>";
        break;
    }
  }

  static std::u16string collapse(const std::u16string& text) {
    std::u16string out;
    bool space = false;
    for (char16_t c : text) {
      if (c == u' ' || c == u'\n' || c == u'\t') {
        space = !out.empty();
        continue;
      }
      if (space) out += u' ';
      space = false;
      out += c;
    }
    return out;
  }

  std::mt19937 random_;
};

// The brute-force reference: every position of the lower-cased visible text
// for words and phrases, ICU over the visible text for expressions.
bool reference_match(const std::u16string& visible, const std::u16string& query, bool regex) {
  if (visible.empty()) return false;
  if (regex) {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString input(visible.data(), static_cast<std::int32_t>(visible.size()));
    icu::RegexMatcher matcher(
        icu::UnicodeString(query.data(), static_cast<std::int32_t>(query.size())), input,
        UREGEX_CASE_INSENSITIVE, status);
    return U_SUCCESS(status) && matcher.find();
  }
  const std::u16string lowered = to_lower(visible, kRussian);
  std::vector<std::u16string> terms;
  if (query.front() == u'"') {
    terms.push_back(to_lower(query.substr(1, query.size() - 2), kRussian));
  } else {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= query.size(); ++i) {
      if (i == query.size() || query[i] == u' ') {
        if (i > start) terms.push_back(to_lower(query.substr(start, i - start), kRussian));
        start = i + 1;
      }
    }
  }
  for (const std::u16string& term : terms) {
    bool found = false;
    for (std::size_t at = 0; at + term.size() <= lowered.size() && !found; ++at) {
      const bool boundary = !u_isalnum(term[0]) || at == 0 || !u_isalnum(visible[at - 1]);
      found = boundary && lowered.compare(at, term.size(), term) == 0;
    }
    if (!found) return false;
  }
  return true;
}

std::vector<std::uint32_t> search_indices(const Dictionary& dict, std::u16string_view text,
                                          bool regex, unsigned threads,
                                          SearchSummary* summary_out = nullptr) {
  std::string error;
  std::unique_ptr<SearchQuery> query = SearchQuery::compile(text, regex, kRussian, &error);
  EXPECT_TRUE(query) << error;
  std::vector<std::uint32_t> found;
  if (!query) return found;
  SearchOptions options;
  options.threads = threads;
  SearchSummary summary = search_articles(
      dict, *query, options,
      [&](const SearchHit& hit) {
        found.push_back(hit.index);
        EXPECT_FALSE(hit.headword.empty());
        EXPECT_LE(hit.match.snippet_match_start + hit.match.snippet_match_length,
                  hit.match.snippet.size());
        return true;
      },
      nullptr, nullptr);
  if (summary_out != nullptr) *summary_out = summary;
  return found;
}

class ArticleSearchTest : public ::testing::Test {
 protected:
  // `count` generated articles under headwords that keep their order.
  std::string build(int count, std::uint32_t code_page, std::uint32_t per_block,
                    std::vector<GeneratedArticle>* articles, unsigned seed = 7) {
    ArticleGenerator generator(seed);
    DictionarySource source;
    for (int i = 0; i < count; ++i) {
      char headword[16];
      std::snprintf(headword, sizeof headword, "w%06d", i);
      articles->push_back(generator.make());
      source.entries.emplace_back(std::u16string(headword, headword + 7), articles->back().stored);
    }
    DictionaryOptions options;
    options.words_code_page = code_page;
    options.articles_code_page = code_page;
    options.locale_id = kRussian;
    options.articles_per_block = per_block;
    const std::string path = dir_.file("gen-" + std::to_string(code_page) + ".zd");
    std::string error;
    EXPECT_TRUE(compiler::write_dictionary_file(path, source, options, &error)) << error;
    return path;
  }

  test::TempDir dir_;
  RecordingMessageSink messages_;
};

TEST_F(ArticleSearchTest, FindsWhatTheBruteForceReferenceFindsInHeadwordOrder) {
  const std::vector<std::pair<std::u16string, bool>> queries = {
      {u"house", false},       {u"HOUSE", false},
      {u"дом", false},         {u"\"red house\"", false},
      {u"\"дом red\"", false}, {u"big красный", false},
      {u"ref", false},         {u"&", false},
      {u"h.uses?\\b", true},   {u"дом[аы]?\\s+red", true},
      {u"html", false},        {u"wav", true}};
  for (std::uint32_t code_page : {1251u, 65001u}) {
    std::vector<GeneratedArticle> articles;
    // Seven articles a block: matches fall at the first and last article of
    // blocks, and the last block is short.
    Dictionary dict;
    ASSERT_TRUE(dict.open_dictionary(build(600, code_page, 7, &articles)));
    for (const auto& [query, regex] : queries) {
      std::vector<std::uint32_t> expected;
      for (std::uint32_t i = 0; i < articles.size(); ++i)
        if (reference_match(articles[i].visible, query, regex)) expected.push_back(i);
      // Every query but those for hidden text finds some articles, not all.
      const bool hidden = query == u"html" || query == u"wav";
      EXPECT_EQ(expected.empty(), hidden) << utf16_to_utf8(query);
      EXPECT_LT(expected.size(), articles.size() / 2);
      for (unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(std::to_string(code_page) + " " + std::to_string(threads) + " threads");
        EXPECT_EQ(search_indices(dict, query, regex, threads), expected);
      }
    }
  }
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(ArticleSearchTest, MatchesAtBlockBoundariesAndSkipsEmptyArticles) {
  DictionarySource source;
  for (int i = 0; i < 12; ++i) {
    char headword[8];
    std::snprintf(headword, sizeof headword, "w%02d", i);
    std::u16string article = i % 4 == 3 || i % 4 == 0 ? u"needle here" : u"hay";
    if (i == 5) article.clear();
    source.entries.emplace_back(std::u16string(headword, headword + 3), article);
  }
  DictionaryOptions options;
  options.articles_per_block = 4;
  const std::string path = dir_.file("edges.zd");
  std::string error;
  ASSERT_TRUE(compiler::write_dictionary_file(path, source, options, &error)) << error;
  Dictionary dict;
  ASSERT_TRUE(dict.open_dictionary(path));
  SearchSummary summary;
  EXPECT_EQ(search_indices(dict, u"needle", false, 2, &summary),
            (std::vector<std::uint32_t>{0, 3, 4, 7, 8, 11}));
  EXPECT_EQ(summary.blocks_searched, 3u);
  EXPECT_EQ(summary.hits, 6u);
  EXPECT_EQ(search_indices(dict, u"^hay$", true, 2), (std::vector<std::uint32_t>{1, 2, 6, 9, 10}));
}

TEST_F(ArticleSearchTest, StopsAfterMaxResultsAndWhenTheCallbackSaysSo) {
  std::vector<GeneratedArticle> articles;
  Dictionary dict;
  ASSERT_TRUE(dict.open_dictionary(build(2000, 1251, 16, &articles)));
  std::string error;
  std::unique_ptr<SearchQuery> query = SearchQuery::compile(u"house", false, kRussian, &error);
  ASSERT_TRUE(query);
  std::vector<std::uint32_t> first;
  SearchOptions options;
  options.max_results = 5;
  const SearchSummary limited = search_articles(
      dict, *query, options, [&](const SearchHit& hit) { return first.push_back(hit.index), true; },
      nullptr, nullptr);
  EXPECT_EQ(limited.hits, 5u);
  EXPECT_EQ(first.size(), 5u);
  EXPECT_LT(limited.blocks_searched, limited.blocks_total);
  const std::vector<std::uint32_t> all = search_indices(dict, u"house", false, 2);
  ASSERT_GE(all.size(), 5u);
  EXPECT_EQ(first, std::vector<std::uint32_t>(all.begin(), all.begin() + 5));

  int calls = 0;
  const SearchSummary stopped = search_articles(
      dict, *query, SearchOptions{}, [&](const SearchHit&) { return ++calls < 2; }, nullptr,
      nullptr);
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(stopped.cancelled);
}

TEST_F(ArticleSearchTest, CancelFromAnotherThreadEndsTheSearchMidway) {
  std::vector<GeneratedArticle> articles;
  Dictionary dict;
  ASSERT_TRUE(dict.open_dictionary(build(4000, 1251, 8, &articles)));
  std::string error;
  std::unique_ptr<SearchQuery> query = SearchQuery::compile(u"house", false, kRussian, &error);
  ASSERT_TRUE(query);
  std::atomic<bool> cancel{false};
  std::atomic<int> hits{0};
  std::uint32_t last_progress = 0;
  auto running = std::async(std::launch::async, [&] {
    return search_articles(
        dict, *query, SearchOptions{},
        [&](const SearchHit&) {
          ++hits;
          // A slow consumer, so the search is surely still running when
          // the cancel comes.
          std::this_thread::sleep_for(std::chrono::milliseconds(2));
          return true;
        },
        [&](std::uint32_t done, std::uint32_t) { last_progress = done; }, &cancel);
  });
  while (hits.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  cancel.store(true);
  ASSERT_EQ(running.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  const SearchSummary summary = running.get();
  EXPECT_TRUE(summary.cancelled);
  EXPECT_LT(summary.blocks_searched, summary.blocks_total);
  EXPECT_EQ(last_progress, summary.blocks_searched);
}

TEST_F(ArticleSearchTest, DamagedBlockIsCountedAndTheOthersAreStillSearched) {
  DictionarySource source;
  for (int i = 0; i < 9; ++i) {
    char headword[8];
    std::snprintf(headword, sizeof headword, "w%02d", i);
    source.entries.emplace_back(std::u16string(headword, headword + 3), u"needle");
  }
  DictionaryOptions options;
  options.articles_per_block = 3;
  const std::string path = dir_.file("damaged.zd");
  std::string error;
  ASSERT_TRUE(compiler::write_dictionary_file(path, source, options, &error)) << error;
  std::uint32_t middle_block = 0;
  {
    Dictionary probe;
    ASSERT_TRUE(probe.open_dictionary(path));
    middle_block = probe.block_offsets()[1];
  }
  // The packed size of block 1 now runs past the end of the file.
  test::patch_u32(path, middle_block + 4, 0x7FFFFFFF);
  Dictionary dict;
  ASSERT_TRUE(dict.open_dictionary(path));
  SearchSummary summary;
  EXPECT_EQ(search_indices(dict, u"needle", false, 2, &summary),
            (std::vector<std::uint32_t>{0, 1, 2, 6, 7, 8}));
  EXPECT_EQ(summary.damaged_blocks, 1u);
  EXPECT_TRUE(messages_.messages().empty());  // a search shows no message boxes
}

TEST_F(ArticleSearchTest, ClosedDictionaryIsUnreadable) {
  Dictionary dict;
  std::string error;
  std::unique_ptr<SearchQuery> query = SearchQuery::compile(u"x", false, kRussian, &error);
  ASSERT_TRUE(query);
  const SearchSummary summary = search_articles(
      dict, *query, SearchOptions{}, [](const SearchHit&) { return true; }, nullptr, nullptr);
  EXPECT_TRUE(summary.unreadable);
  EXPECT_EQ(summary.hits, 0u);
}

}  // namespace
}  // namespace lexora
