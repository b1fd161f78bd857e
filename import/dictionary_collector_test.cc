#include "import/dictionary_collector.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/dictionary.h"
#include "engine/resource_pack.h"
#include "import/import_dictionary.h"
#include "platform/messages.h"
#include "platform/utf.h"
#include "testing/recording_message_sink.h"
#include "testing/test_files.h"

namespace lexora::import {
namespace {

class CollectorTest : public ::testing::Test {
 protected:
  // Writes what `collector` holds and opens it.
  void write(DictionaryCollector& collector) {
    std::string error;
    ASSERT_TRUE(collector.write(dir_.file("d.zd"), dir_.file("d.zpak"), &error)) << error;
    ASSERT_TRUE(dict_.open_dictionary(dir_.file("d.zd")));
  }
  std::u16string article_of(std::u16string_view word) {
    bool exact = false;
    const std::uint32_t at = dict_.find_word(word, &exact, false);
    if (!exact) return u"(missing)";
    return std::u16string(dict_.article_at(at).value_or(u""));
  }
  std::vector<std::u16string> words() {
    std::vector<std::u16string> out;
    for (std::uint32_t i = 0; i < dict_.word_count(); ++i) out.emplace_back(*dict_.word_at(i));
    return out;
  }

  lexora::test::TempDir dir_;
  RecordingMessageSink messages_;
  Dictionary dict_;
};

TEST_F(CollectorTest, MergesArticlesOfOneHeadwordInSourceOrder) {
  ConversionOptions copy;
  copy.synonyms = SynonymMode::kCopy;
  DictionaryCollector c{copy};
  c.add_article({"bank"}, "first");
  c.add_article({"Bank"}, "capital");
  c.add_article({"bank", "shore"}, "second");
  c.add_article({"bank"}, "first");  // the same text again adds nothing
  c.add_article({"  "}, "no headword");
  write(c);
  EXPECT_EQ(article_of(u"bank"), u"first<hr>second");
  EXPECT_EQ(article_of(u"shore"), u"second");
  // Headwords differing in case stay apart, next to each other.
  EXPECT_EQ(words(), (std::vector<std::u16string>{u"bank", u"Bank", u"shore"}));
  EXPECT_EQ(c.stats().articles_read, 5u);
  EXPECT_EQ(c.stats().articles_merged, 1u);
  EXPECT_EQ(c.stats().skipped["same article twice under one headword"], 1u);
  EXPECT_EQ(c.stats().skipped["empty headword"], 1u);
  EXPECT_EQ(c.stats().headwords_written, 3u);
}

TEST_F(CollectorTest, ChoosesTheSmallestLosslessCodePagesSeparately) {
  struct Case {
    std::vector<std::string> words;
    std::string article;
    std::uint32_t words_cp;
    std::uint32_t articles_cp;
  };
  const Case cases[] = {
      {{"dom", "\xD0\xB4\xD0\xBE\xD0\xBC"}, "plain", 1251, 1252},  // Cyrillic
      {{"stra\xC3\x9F"
        "e"},
       "\xC5\x82\xC3\xB3\xC5\xBC"
       "ko",
       1252,
       1250},                                       // German, Polish
      {{"cat"}, "\xC3\xA6 \xD0\xB6", 1252, 65001},  // no page has both
      {{"\xE7\xAE\x80\xE4\xBD\x93"},
       "\xE7\xAE\x80\xE4\xBD\x93 text",
       936,
       936},                                         // Chinese (not in 932)
      {{"smile"}, "\xF0\x9F\x98\x80", 1252, 65001},  // beyond U+FFFF
  };
  for (const Case& k : cases) {
    DictionaryCollector c{ConversionOptions{}};
    for (const std::string& w : k.words) c.add_article({w}, k.article + " ?");
    write(c);
    EXPECT_EQ(dict_.header().words_code_page, k.words_cp) << k.article;
    EXPECT_EQ(dict_.header().articles_code_page, k.articles_cp) << k.article;
    // Every character reads back: nothing became "?".
    const std::u16string want = utf8_to_utf16(k.article) + u" ?";
    EXPECT_EQ(*dict_.article_at(0), want) << k.article;
    dict_.close_dictionary();
  }
}

TEST_F(CollectorTest, SynonymsCopyTheArticleOrLinkToIt) {
  for (SynonymMode mode : {SynonymMode::kCopy, SynonymMode::kLink}) {
    ConversionOptions options;
    options.synonyms = mode;
    DictionaryCollector c{options};
    c.add_article({"colour"}, "hue");
    c.add_synonym("color", "colour");
    c.add_synonym("tint", "missing");
    c.add_synonym("colour", "colour");
    write(c);
    EXPECT_EQ(article_of(u"color"),
              mode == SynonymMode::kCopy ? u"hue" : u"&rarr; <a href=\"colour\">colour</a>");
    EXPECT_EQ(article_of(u"tint"), u"(missing)");
    EXPECT_EQ(c.stats().skipped["synonym of a missing headword"], 1u);
    EXPECT_EQ(c.stats().headwords_written, 2u);
    dict_.close_dictionary();
  }
}

TEST_F(CollectorTest, LocaleComesFromTheSourceLanguageElseTheOption) {
  DictionaryCollector russian{ConversionOptions{}};
  russian.set_languages("Russian", "English");
  russian.add_article({"\xD1\x91\xD0\xB6"}, "hedgehog");
  russian.add_article({"\xD0\xB5\xD0\xB6"}, "eats");
  write(russian);
  EXPECT_EQ(dict_.header().locale_id, 0x0419u);
  dict_.close_dictionary();

  ConversionOptions options;
  options.default_locale_id = 0x041D;  // Swedish: a-ring after z
  DictionaryCollector swedish{options};
  swedish.set_languages("Klingon", "");
  for (const char* w : {"\xC3\xA5l", "zon", "apa"}) swedish.add_article({w}, "x");
  write(swedish);
  EXPECT_EQ(dict_.header().locale_id, 0x041Du);
  EXPECT_EQ(words(), (std::vector<std::u16string>{u"apa", u"zon", u"\u00E5l"}));
}

TEST_F(CollectorTest, AbbreviationsAndMediaReachTheDictionaryAndPack) {
  DictionaryCollector c{ConversionOptions{}};
  c.add_article({"run"}, "<abr>v.</abr> to move fast <wav>snd/run.wav</wav>");
  c.add_abbreviation("v.", "verb");
  c.add_abbreviation("v.", "second meaning, ignored");
  c.add_abbreviation("a  b", "two spaces");
  c.add_media("snd/run.wav", {'R', 'I', 'F', 'F'});
  write(c);
  EXPECT_EQ(dict_.expand_abbreviation(u"v.").value_or(u""), u"verb");
  EXPECT_EQ(c.stats().abbreviations, 1u);
  EXPECT_EQ(c.stats().skipped["abbreviation holding two spaces"], 1u);
  std::uint32_t size = 0;
  std::vector<std::uint8_t> buffer;
  const std::uint8_t* data = dict_.read_pack_entry(u"snd/run.wav", &size, &buffer);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string(data, data + size), "RIFF");
}

TEST_F(CollectorTest, IllFormedUtf8IsReplacedNotWritten) {
  DictionaryCollector c{ConversionOptions{}};
  c.add_article({"ab\xFF"}, std::string("x\xC3y\0z", 5));
  write(c);
  EXPECT_EQ(*dict_.word_at(0), u"ab\uFFFD");
  EXPECT_EQ(*dict_.article_at(0), u"x\uFFFDy\uFFFDz");
}

TEST_F(CollectorTest, BlanksInHeadwordsBecomeSingleSpaces) {
  DictionaryCollector c{ConversionOptions{}};
  c.add_article({"\tice  cream \n"}, "one");
  c.add_article({"ice cream"}, "two");
  c.add_article({" a\x01"
                 "b"},
                "three");
  c.add_article({"plain"}, "four");
  write(c);
  EXPECT_EQ(words(), (std::vector<std::u16string>{u"a b", u"ice cream", u"plain"}));
  EXPECT_EQ(article_of(u"ice cream"), u"one<hr>two");
}

TEST_F(CollectorTest, BatchOfSourcedArticlesAddsAsOneByOne) {
  // Without a source to read them again from, the articles are held; the
  // batch must give the file that single calls give.
  const std::vector<std::string> words = {"cat", "dog", "cat", "emu", "dog", "cat", "fox"};
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < 40; ++i) texts.push_back("text " + std::to_string(i % 13));
  std::vector<std::vector<std::string_view>> heads(texts.size());
  std::vector<SourcedArticle> batch;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    heads[i] = {words[i % words.size()], words[(i + 3) % words.size()]};
    batch.push_back(SourcedArticle{heads[i], texts[i], SourceSpan{i * 10, 10}});
  }
  DictionaryCollector one_by_one{ConversionOptions{}};
  for (const SourcedArticle& a : batch)
    one_by_one.add_sourced_preformatted_article(a.headwords, a.markup, a.span);
  write(one_by_one);
  const std::vector<std::uint8_t> expected = lexora::test::read_file(dir_.file("d.zd"));
  DictionaryCollector batched{ConversionOptions{}};
  batched.add_sourced_preformatted_articles(batch);
  std::string error;
  ASSERT_TRUE(batched.write(dir_.file("b.zd"), dir_.file("b.zpak"), &error)) << error;
  EXPECT_EQ(lexora::test::read_file(dir_.file("b.zd")), expected);
  EXPECT_EQ(batched.stats().articles_merged, one_by_one.stats().articles_merged);
  EXPECT_GT(batched.stats().articles_merged, 0u);
}

TEST(ImportDictionary, UnknownSourcesAreRefusedWithTheirName) {
  lexora::test::TempDir dir;
  lexora::test::write_file(dir.file("notes.txt"), "hello");
  ImportError error;
  EXPECT_FALSE(
      import_dictionary(dir.file("notes.txt"), dir.file("x.zd"), ImportOptions{}, nullptr, &error));
  EXPECT_EQ(error.file, dir.file("notes.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.zd")));
  EXPECT_EQ(detect_format(dir.file("a.ifo")), SourceFormat::kStardict);
  EXPECT_EQ(detect_format(dir.file("a.INDEX")), SourceFormat::kDictd);
  EXPECT_EQ(detect_format(dir.file("a.dsl.dz")), SourceFormat::kDsl);
  lexora::test::write_file(dir.file("dict.xml"),
                           "<?xml version=\"1.0\"?>\n<xdxf lang_from=\"ENG\">");
  EXPECT_EQ(detect_format(dir.file("dict.xml")), SourceFormat::kXdxf);
  EXPECT_EQ(pack_path_beside("/a.b/c.zd"), "/a.b/c.zpak");
  EXPECT_EQ(pack_path_beside("/a.b/c"), "/a.b/c.zpak");
}

}  // namespace
}  // namespace lexora::import
