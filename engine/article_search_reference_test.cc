// The whole search (hits, their order, snippets and what they mark) against
// a plain per-article reference: the visible text taken one character at a
// time, lowered whole by ICU, searched position by position, and a regular
// expression run by ICU over each article's visible text as a string of its
// own. Dictionaries in code pages 1251 and 1252 and in UTF-8, with markup,
// mixed case, non-ASCII letters, long and empty articles, and matches at the
// very start and end of articles, next to the article boundaries in a block.
#include <gtest/gtest.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "compiler/dictionary_writer.h"
#include "engine/article_search.h"
#include "engine/dictionary.h"
#include "engine/visible_text.h"
#include "platform/nls.h"
#include "platform/utf.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

constexpr std::uint32_t kEnglish = 0x0409;
constexpr std::uint32_t kRussian = 0x0019;

bool is_word(char16_t c) {
  return U16_IS_SURROGATE(c) || u_isalnum(c) || (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0;
}

// The snippet rules, over the whole visible text.
ArticleMatch snippet_around(std::u16string_view text, std::size_t start, std::size_t end) {
  ArticleMatch m;
  std::size_t from = start > kSnippetBefore ? start - kSnippetBefore : 0;
  if (from > 0) {
    const std::size_t space = text.substr(0, start).find(u' ', from);
    if (space != std::u16string_view::npos) from = space + 1;
  }
  std::size_t to = std::min(text.size(), end + kSnippetAfter);
  if (to < text.size()) {
    const std::size_t space = text.substr(0, to).rfind(u' ');
    if (space != std::u16string_view::npos && space > end) to = space;
  }
  if (from > 0) m.snippet.push_back(u'\u2026');
  m.snippet_match_start = m.snippet.size() + (start - from);
  m.snippet_match_length = std::min(end, to) - start;
  m.snippet.append(text.substr(from, to - from));
  if (to < text.size()) m.snippet.push_back(u'\u2026');
  return m;
}

std::optional<ArticleMatch> reference_words(const std::u16string& visible,
                                            const SearchQuery& query) {
  const std::u16string lowered = to_lower(visible, query.locale_id());
  EXPECT_EQ(lowered.size(), visible.size());  // the test texts lower one for one
  std::size_t first_start = std::u16string::npos;
  std::size_t first_end = 0;
  for (const std::u16string& term : query.terms()) {
    std::size_t found = std::u16string::npos;
    for (std::size_t at = 0; at + term.size() <= lowered.size(); ++at) {
      if (lowered.compare(at, term.size(), term) != 0) continue;
      if (is_word(term[0]) && at > 0 && is_word(visible[at - 1])) continue;
      found = at;
      break;
    }
    if (found == std::u16string::npos) return std::nullopt;
    if (found < first_start) first_start = found, first_end = found + term.size();
  }
  ArticleMatch m = snippet_around(visible, first_start, first_end);
  m.matched_texts = query.terms();
  m.word_starts = true;
  return m;
}

std::optional<ArticleMatch> reference_regex(const std::u16string& visible,
                                            const std::u16string& pattern) {
  if (visible.empty()) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString input(visible.data(), static_cast<std::int32_t>(visible.size()));
  icu::RegexMatcher matcher(
      icu::UnicodeString(pattern.data(), static_cast<std::int32_t>(pattern.size())), input,
      UREGEX_CASE_INSENSITIVE, status);
  EXPECT_TRUE(U_SUCCESS(status));
  std::optional<ArticleMatch> m;
  std::vector<std::u16string> texts;
  for (int seen = 0; seen < 256 && matcher.find(); ++seen) {
    const auto start = static_cast<std::size_t>(matcher.start(status));
    const auto end = static_cast<std::size_t>(matcher.end(status));
    if (!m) m = snippet_around(visible, start, end);
    const std::u16string text = visible.substr(start, end - start);
    if (end > start && std::find(texts.begin(), texts.end(), text) == texts.end())
      texts.push_back(text);
    if (texts.size() >= kMaxMatchedTexts) break;
  }
  if (m) m->matched_texts = texts;
  return m;
}

struct Hit {
  std::uint32_t index;
  ArticleMatch match;
};

// Articles of words from `words` with every kind of markup between them;
// one in eight long enough to need several pieces of extracted text.
std::vector<std::u16string> make_articles(const std::vector<std::u16string>& words, int count,
                                          unsigned seed) {
  std::mt19937 random(seed);
  const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  const auto word = [&] { return words[static_cast<std::size_t>(pick(int(words.size())))]; };
  std::vector<std::u16string> articles;
  for (int i = 0; i < count; ++i) {
    std::u16string a;
    const int pieces = i % 8 == 5 ? 60 + pick(80) : pick(9);
    for (int p = 0; p < pieces; ++p) {
      const std::u16string w = word();
      switch (pick(16)) {
        case 0:
          a += u"<b>" + w + u"</b>";
          break;
        case 1:
          a += u"<br>";
          break;
        case 2:
          a += u"<r>" + w + u"</r>";
          break;
        case 3:
          a += u"<a href=\"" + w + u"\">" + word() + u"</a>";
          break;
        case 4:
          a += u" &amp; ";
          break;
        case 5:
          a += u"&nbsp;";
          break;
        case 6:
          a += u"\n   ";
          break;
        case 7:
          a += u"<wav>" + w + u".wav</wav>";
          break;
        case 8:
          a += u"<!-- " + w + u" -->";
          break;
        case 9:
          a += u"<div style=\"x\">" + w + u"</div>";
          break;
        case 10:
          a += u" a<3 ";
          break;
        case 11:
          a += u"&#100;" + w;
          break;  // "d", as a numeric entity
        default:
          a += w + (pick(3) == 0 ? u"  " : u" ");
      }
    }
    articles.push_back(std::move(a));
  }
  return articles;
}

class SearchReferenceTest : public ::testing::Test {
 protected:
  void check(std::uint32_t code_page, std::uint32_t locale,
             const std::vector<std::u16string>& words,
             const std::vector<std::pair<std::u16string, bool>>& queries) {
    const std::vector<std::u16string> articles = make_articles(words, 700, code_page);
    compiler::DictionarySource source;
    for (std::size_t i = 0; i < articles.size(); ++i) {
      char headword[24];
      std::snprintf(headword, sizeof headword, "w%06zu", i);
      source.entries.emplace_back(std::u16string(headword, headword + 7), articles[i]);
    }
    compiler::DictionaryOptions options;
    options.words_code_page = code_page;
    options.articles_code_page = code_page;
    options.locale_id = locale;
    options.articles_per_block = 9;
    const std::string path = dir_.file("ref-" + std::to_string(code_page) + ".zd");
    std::string error;
    ASSERT_TRUE(compiler::write_dictionary_file(path, source, options, &error)) << error;
    Dictionary dict;
    ASSERT_TRUE(dict.open_dictionary(path));

    std::vector<std::u16string> visible;
    std::vector<std::uint32_t> positions;
    for (const std::u16string& a : articles) visible.push_back(visible_text(a, &positions));

    for (const auto& [text, regex] : queries) {
      SCOPED_TRACE(std::to_string(code_page) + " " + utf16_to_utf8(text));
      const std::unique_ptr<SearchQuery> query = SearchQuery::compile(text, regex, locale, &error);
      ASSERT_TRUE(query) << error;
      std::vector<Hit> expected;
      for (std::uint32_t i = 0; i < visible.size(); ++i) {
        std::optional<ArticleMatch> m =
            regex ? reference_regex(visible[i], text) : reference_words(visible[i], *query);
        if (m) expected.push_back({i, std::move(*m)});
      }
      EXPECT_GT(expected.size(), 0u);
      EXPECT_LT(expected.size(), articles.size());
      std::vector<Hit> found;
      SearchOptions search_options;
      search_options.threads = 2;
      search_articles(
          dict, *query, search_options,
          [&](const SearchHit& hit) {
            return found.push_back({hit.index, hit.match}), true;
          },
          nullptr, nullptr);
      ASSERT_EQ(found.size(), expected.size());
      for (std::size_t k = 0; k < found.size(); ++k) {
        const Hit& f = found[k];
        const Hit& e = expected[k];
        SCOPED_TRACE("article " + std::to_string(e.index));
        ASSERT_EQ(f.index, e.index);
        EXPECT_EQ(utf16_to_utf8(f.match.snippet), utf16_to_utf8(e.match.snippet));
        EXPECT_EQ(f.match.snippet_match_start, e.match.snippet_match_start);
        EXPECT_EQ(f.match.snippet_match_length, e.match.snippet_match_length);
        EXPECT_EQ(f.match.matched_texts, e.match.matched_texts);
        EXPECT_EQ(f.match.word_starts, e.match.word_starts);
      }
    }
  }

  test::TempDir dir_;
};

TEST_F(SearchReferenceTest, Cp1252WithAccentsMatchesTheReference) {
  check(1252, kEnglish,
        {u"house", u"House", u"HOUSES", u"lighthouse", u"café", u"CAFÉ", u"Straße", u"naïve",
         u"Œuvre", u"œuvres", u"the", u"The", u"of", u"red", u"d"},
        {{u"house", false},
         {u"café", false},
         {u"ŒUVRE", false},
         {u"\"of the\"", false},
         {u"\"red house\" the", false},
         {u"&", false},
         {u"h.use\\b", true},
         {u"^the", true},
         {u"caf[eé]$", true},
         {u"(?<!d)house", true},
         {u"d\\w+", true}});
}

TEST_F(SearchReferenceTest, Cp1251CyrillicMatchesTheReference) {
  check(1251, kRussian,
        {u"дом", u"ДОМ", u"Дома", u"садом", u"ёлка", u"ЁЛКА", u"красный", u"house", u"of", u"the"},
        {{u"дом", false},
         {u"ЁЛКА", false},
         {u"\"красный дом\"", false},
         {u"дом house", false},
         {u"^дом", true},
         {u"ёлка$", true},
         {u"\\bдом[аы]?\\b", true}});
}

TEST_F(SearchReferenceTest, Utf8WithGreekAndCyrillicMatchesTheReference) {
  // Final sigma lowers by its neighbours: those articles take the
  // whole-text path.
  check(65001, kRussian,
        {u"ΣΟΦΙΑΣ", u"σοφία", u"дом", u"ДОМ", u"café", u"house", u"HOUSE", u"the", u"日本"},
        {{u"σοφιας", false},
         {u"house", false},
         {u"\"дом the\"", false},
         {u"日本", false},
         {u"σοφ\\w+", true},
         {u"^house", true},
         {u"日本$", true}});
}

}  // namespace
}  // namespace lexora
