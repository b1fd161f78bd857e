#include "engine/search_query.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/utf.h"

namespace lexora {
namespace {

constexpr std::uint32_t kRussian = 0x0019;
constexpr std::uint32_t kUtf8 = 65001;

std::unique_ptr<SearchQuery> compile(std::u16string_view text, bool regex = false) {
  std::string error;
  std::unique_ptr<SearchQuery> query = SearchQuery::compile(text, regex, kRussian, &error);
  EXPECT_TRUE(query) << error;
  return query;
}

// Whether `article` (UTF-16) matches `query`.
bool matches(std::u16string_view query_text, std::u16string_view article, bool regex = false) {
  std::unique_ptr<SearchQuery> query = compile(query_text, regex);
  if (!query) return false;
  ArticleMatcher matcher(*query, kUtf8);
  const bool as_text = matcher.match_text(article).has_value();
  // The stored form (UTF-8 bytes) must give the same answer.
  const bool as_stored = matcher.match_stored(utf16_to_utf8(article)).has_value();
  EXPECT_EQ(as_text, as_stored) << utf16_to_utf8(article);
  return as_text;
}

TEST(VisibleTextTest, DropsTagsReferencesSoundsAndCollapsesSpace) {
  std::vector<std::uint32_t> source;
  const std::u16string visible = visible_text(
      u"  <b>big</b>\n\t<i class=\"x>y\">red</i><br>house <r>ref</r>&amp;<wav>a.wav</wav> a<3 "
      u"<!-- note --> &#1076;&#x43E;&nbsp;&unknown; end  ",
      &source);
  EXPECT_EQ(visible, u"big red house & a<3 до &unknown; end");
  ASSERT_EQ(source.size(), visible.size());
  EXPECT_EQ(source[0], 5u);    // the "b" of "big"
  EXPECT_EQ(source[3], 12u);   // the space that stands for "\n\t"
  EXPECT_EQ(source[14], 56u);  // the "&" of "&amp;"
}

TEST(VisibleTextTest, UnclosedReferenceHidesTheRest) {
  EXPECT_EQ(visible_text(u"see <r>house and more"), u"see");
  EXPECT_EQ(visible_text(u"tag <a href=\"x"), u"tag");
}

TEST(SearchQueryTest, ParsesWordsPhrasesAndRefusesEmptyQueries) {
  std::unique_ptr<SearchQuery> words = compile(u"  Big  ДОМ ");
  ASSERT_TRUE(words);
  EXPECT_EQ(words->mode(), SearchMode::kWords);
  EXPECT_EQ(words->terms(), (std::vector<std::u16string>{u"big", u"дом"}));

  std::unique_ptr<SearchQuery> phrase = compile(u"\"Red   House\"");
  ASSERT_TRUE(phrase);
  EXPECT_EQ(phrase->mode(), SearchMode::kPhrase);
  EXPECT_EQ(phrase->terms(), (std::vector<std::u16string>{u"red house"}));
  EXPECT_EQ(phrase->anchor(), u"red house");

  std::unique_ptr<SearchQuery> mixed = compile(u"a \"Big  red\"house \"un closed");
  ASSERT_TRUE(mixed);
  EXPECT_EQ(mixed->mode(), SearchMode::kWords);
  EXPECT_EQ(mixed->terms(),
            (std::vector<std::u16string>{u"a", u"big red", u"house", u"un closed"}));
  EXPECT_EQ(mixed->anchor(), u"un closed");

  std::string error;
  EXPECT_FALSE(SearchQuery::compile(u"   ", false, kRussian, &error));
  EXPECT_FALSE(SearchQuery::compile(u"\"\"", false, kRussian, &error));
  EXPECT_FALSE(SearchQuery::compile(u"(unclosed", true, kRussian, &error));
  EXPECT_NE(error.find("regular expression"), std::string::npos);
}

TEST(ArticleMatcherTest, IgnoresCaseInLatinAndCyrillic) {
  EXPECT_TRUE(matches(u"HOUSE", u"a House"));
  EXPECT_TRUE(matches(u"дом", u"большой ДОМ"));
  EXPECT_TRUE(matches(u"ДоМ", u"дом"));
  EXPECT_FALSE(matches(u"дым", u"дом"));
}

TEST(ArticleMatcherTest, MatchesAtTheStartOfAWord) {
  EXPECT_TRUE(matches(u"house", u"houses"));
  EXPECT_FALSE(matches(u"house", u"lighthouse"));
  EXPECT_TRUE(matches(u"house", u"light-house"));
  EXPECT_FALSE(matches(u"дом", u"садом"));
  EXPECT_TRUE(matches(u"-ness", u"the suffix -ness"));
}

TEST(ArticleMatcherTest, WordsMustAllOccurAPhraseInOrder) {
  EXPECT_TRUE(matches(u"house red", u"red house"));
  EXPECT_FALSE(matches(u"house blue", u"red house"));
  EXPECT_TRUE(matches(u"\"red house\"", u"a red house"));
  EXPECT_FALSE(matches(u"\"house red\"", u"a red house"));
  EXPECT_TRUE(matches(u"\"red house\"", u"a red\n   house"));
}

TEST(ArticleMatcherTest, PhraseMatchesAcrossTagsButNotInsideThem) {
  EXPECT_TRUE(matches(u"\"red house\"", u"a <i>red</i> <b>house</b>"));
  EXPECT_TRUE(matches(u"\"red house\"", u"a red<br>house"));
  EXPECT_TRUE(matches(u"\"red house\"", u"a red&nbsp;house"));
  EXPECT_TRUE(matches(u"house", u"<b>hou</b>se"));
  EXPECT_TRUE(matches(u"\"a & b\"", u"a &amp; b"));
  EXPECT_FALSE(matches(u"\"red house\"", u"a red<b>house</b>"));
}

TEST(ArticleMatcherTest, NeverMatchesInsideReferencesSoundsOrAttributes) {
  EXPECT_FALSE(matches(u"house", u"see <r>house</r>"));
  EXPECT_FALSE(matches(u"house", u"<wav>house.wav</wav> sound"));
  EXPECT_FALSE(matches(u"house", u"<a href=\"house.html\">home</a>"));
  EXPECT_FALSE(matches(u"href", u"<a href=\"x\">home</a>"));
  EXPECT_FALSE(matches(u"house", u"<img alt='big house' src=\"h.png\">"));
  EXPECT_TRUE(matches(u"home", u"<a href=\"house.html\">home</a>"));
  // The text around a reference still forms a phrase.
  EXPECT_TRUE(matches(u"\"red house\"", u"red <r>see</r> house"));
}

TEST(ArticleMatcherTest, RegularExpressionsRunOverVisibleText) {
  EXPECT_TRUE(matches(u"h.use\\b", u"<b>HOUSE</b> red", true));
  EXPECT_FALSE(matches(u"h.use\\b", u"houses", true));
  EXPECT_FALSE(matches(u"href", u"<a href=\"x\">y</a>", true));
  EXPECT_TRUE(matches(u"^big red$", u"  big <i>red</i> ", true));
  EXPECT_TRUE(matches(u"д[оа]м", u"ДАМ", true));
}

TEST(ArticleMatcherTest, RegularExpressionReportsTheDistinctTextsItMatched) {
  std::unique_ptr<SearchQuery> query = compile(u"h[ao]use", true);
  ASSERT_TRUE(query);
  ArticleMatcher matcher(*query, kUtf8);
  const std::optional<ArticleMatch> match =
      matcher.match_text(u"a <b>House</b>, a hause, a house, a HOUSE, a house");
  ASSERT_TRUE(match);
  EXPECT_FALSE(match->word_starts);
  EXPECT_EQ(match->matched_texts,
            (std::vector<std::u16string>{u"House", u"hause", u"house", u"HOUSE"}));
  EXPECT_EQ(match->snippet, u"a House, a hause, a house, a HOUSE, a house");
  EXPECT_EQ(match->snippet_match_start, 2u);
}

TEST(ArticleMatcherTest, WordFoundEarlyInALongArticleStillGetsItsSnippet) {
  std::unique_ptr<SearchQuery> query = compile(u"\"big red\" house");
  ASSERT_TRUE(query);
  ArticleMatcher matcher(*query, kUtf8);
  std::u16string article = u"a big <i>red</i> ball";
  for (int i = 0; i < 400; ++i) article += u" filler";
  std::u16string with_house = article + u" and a house";
  EXPECT_FALSE(matcher.match_text(article));
  const std::optional<ArticleMatch> match = matcher.match_text(with_house);
  ASSERT_TRUE(match);
  EXPECT_EQ(match->snippet.substr(match->snippet_match_start, match->snippet_match_length),
            u"big red");
  EXPECT_EQ(match->snippet.back(), u'\u2026');  // the article goes on
  EXPECT_EQ(match->matched_texts, (std::vector<std::u16string>{u"big red", u"house"}));
}

TEST(ArticleMatcherTest, ContextualLowerCaseUsesTheWholeText) {
  // The capital sigma lowers by its neighbours: the whole-text path decides.
  EXPECT_TRUE(matches(u"\u03BF\u03B4\u03BF\u03C2", u"ΟΔΟΣ"));  // typed with the final sigma
  EXPECT_TRUE(matches(u"σοφια", u"<b>ΣΟΦΙΑ</b> wisdom"));
  EXPECT_FALSE(matches(u"σοφια", u"<r>ΣΟΦΙΑ</r> wisdom"));
}

TEST(ArticleMatcherTest, EmptyArticleMatchesNothing) {
  EXPECT_FALSE(matches(u"house", u""));
  EXPECT_FALSE(matches(u"x*", u"", true));  // no visible text, even for an empty match
}

TEST(ArticleMatcherTest, SnippetShowsTheFirstMatchWithContext) {
  std::unique_ptr<SearchQuery> query = compile(u"house");
  ASSERT_TRUE(query);
  ArticleMatcher matcher(*query, kUtf8);
  std::u16string article;
  for (int i = 0; i < 30; ++i) article += u"word ";
  article += u"the <b>House</b> of houses";
  for (int i = 0; i < 40; ++i) article += u" tail";
  const std::optional<ArticleMatch> match = matcher.match_text(article);
  ASSERT_TRUE(match);
  EXPECT_EQ(match->snippet.substr(match->snippet_match_start, match->snippet_match_length),
            u"House");
  EXPECT_EQ(match->snippet.front(), u'\u2026');
  EXPECT_EQ(match->snippet.back(), u'\u2026');
  EXPECT_LE(match->snippet.size(), kSnippetBefore + kSnippetAfter + 8);
  EXPECT_EQ(match->matched_texts, (std::vector<std::u16string>{u"house"}));
  EXPECT_TRUE(match->word_starts);
}

TEST(ArticleMatcherTest, SingleByteCodePageGivesTheSameAnswers) {
  std::unique_ptr<SearchQuery> query = compile(u"\"дом red\"");
  ASSERT_TRUE(query);
  ArticleMatcher matcher(*query, 1251);
  // "ДОМ <b>Red</b>" in code page 1251.
  const std::string stored = "\xC4\xCE\xCC <b>Red</b>";
  EXPECT_TRUE(matcher.match_stored(stored));
  EXPECT_FALSE(matcher.match_stored("<r>\xC4\xCE\xCC red</r>"));
  EXPECT_TRUE(matcher.match_stored("x &#1076;\xEE\xEC red"));
}

}  // namespace
}  // namespace lexora
