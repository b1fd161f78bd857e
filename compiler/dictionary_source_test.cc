#include "compiler/dictionary_source.h"

#include <gtest/gtest.h>

#include "engine/dictionary_header.h"

namespace lexora::compiler {
namespace {

TEST(DictionarySourceTest, EntriesAbbreviationsAndContinuations) {
  DictionarySource source;
  DictionaryOptions options;
  std::string error;
  ASSERT_TRUE(parse_dictionary_source(
      "\xEF\xBB\xBF# comment\r\n"
      "@abbrev adj.\tadjective\n"
      "\n"
      "bank\t<t>b\xC3\xA6\xC5\x8B\x6B</t> \xD0\xB1\xD0\xB5\xD1\x80\xD0\xB5\xD0\xB3\tkeeps tabs\r\n"
      "\tsecond line\n"
      "empty\n"
      "\\#tag\tliteral\n",
      &source, &options, &error))
      << error;
  ASSERT_EQ(source.entries.size(), 3u);
  EXPECT_EQ(source.entries[0].first, u"bank");
  EXPECT_EQ(source.entries[0].second,
            u"<t>b\u00E6\u014Bk</t> \u0431\u0435\u0440\u0435\u0433\tkeeps tabs\nsecond line");
  EXPECT_EQ(source.entries[1], (std::pair<std::u16string, std::u16string>{u"empty", u""}));
  EXPECT_EQ(source.entries[2].first, u"#tag");
  ASSERT_EQ(source.abbreviations.size(), 1u);
  EXPECT_EQ(source.abbreviations[0].second, u"adjective");
}

TEST(DictionarySourceTest, OptionsSetTheHeader) {
  DictionarySource source;
  DictionaryOptions options;
  std::string error;
  ASSERT_TRUE(parse_dictionary_source(
      "@version 3\n@words_code_page 1252\n@articles_code_page 1250\n@locale 0x0409\n"
      "@articles_per_block 7\n@flags checksum, no_auto_format\n@sort no\n",
      &source, &options, &error))
      << error;
  EXPECT_EQ(options.version, 3);
  EXPECT_EQ(options.words_code_page, 1252u);
  EXPECT_EQ(options.articles_code_page, 1250u);
  EXPECT_EQ(options.locale_id, 0x0409u);
  EXPECT_EQ(options.articles_per_block, 7u);
  EXPECT_EQ(options.flags, FLAG_HAS_CHECKSUM | FLAG_NO_AUTO_FORMAT);
  EXPECT_FALSE(options.sort);
  EXPECT_EQ(parse_flags("6"), 6u);
  EXPECT_EQ(parse_flags("locale_collation|checksum"), FLAG_LOCALE_COLLATION | FLAG_HAS_CHECKSUM);
  EXPECT_FALSE(parse_flags("checksum,bogus"));
  EXPECT_FALSE(parse_number("0x"));
  EXPECT_FALSE(parse_number("4294967296"));
}

TEST(DictionarySourceTest, MalformedLinesNameTheirLine) {
  const char* bad[] = {"\tcontinuation first\n",
                       "a\tb\n@colour red\n",
                       "@version x\n",
                       "@abbrev noexpansion\n",
                       "\tx\n",
                       "a\tb\n\n@flags weird\n",
                       "\theadless\n",
                       "@sort maybe\n"};
  for (const char* text : bad) {
    DictionarySource source;
    DictionaryOptions options;
    std::string error;
    EXPECT_FALSE(parse_dictionary_source(text, &source, &options, &error)) << text;
    EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
  }
  // A continuation may not follow a blank line or a comment either.
  DictionarySource source;
  DictionaryOptions options;
  std::string error;
  EXPECT_FALSE(parse_dictionary_source("a\tb\n# note\n\tmore\n", &source, &options, &error));
  EXPECT_EQ(error, "line 3: a continuation line must follow an entry");
}

TEST(DictionarySourceTest, UnmappableArticleCharactersBecomeReferences) {
  DictionarySource source;
  DictionaryOptions options;
  SourceSettings settings;
  std::string error;
  ASSERT_TRUE(
      parse_dictionary_source("@article_entities yes\nbank\t<t>b\xC3\xA6\xC5\x8Bk</t> "
                              "\xD0\xB1\xD0\xB5\xD1\x80\xD0\xB5\xD0\xB3 \xF0\x9F\x98\x80\n",
                              &source, &options, &error, &settings))
      << error;
  EXPECT_TRUE(settings.article_entities);
  escape_unmappable_articles(&source, 1251);
  EXPECT_EQ(source.entries[0].second,
            u"<t>b&#230;&#331;k</t> \u0431\u0435\u0440\u0435\u0433 &#128512;");
  EXPECT_EQ(source.entries[0].first, u"bank");
}

}  // namespace
}  // namespace lexora::compiler
