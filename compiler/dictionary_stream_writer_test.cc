#include "compiler/dictionary_stream_writer.h"

#include <gtest/gtest.h>

#include "compiler/headword_order.h"
#include "engine/dictionary.h"
#include "platform/messages.h"
#include "platform/nls.h"
#include "platform/utf.h"
#include "testing/recording_message_sink.h"
#include "testing/test_files.h"

namespace lexora::compiler {
namespace {

// The words and abbreviations streams of `source`, as begin() takes them.
void encode_streams(const DictionarySource& source, const DictionaryOptions& options,
                    std::string* words, std::string* abbrevs) {
  for (const auto& [headword, article] : source.entries)
    *words += to_multibyte(headword, options.words_code_page) + '\0';
  for (const auto& [abbreviation, expansion] : source.abbreviations)
    *abbrevs += to_multibyte(abbreviation + u"  " + expansion, options.articles_code_page) + '\0';
}

// Streams `source` (already in stored order) through the writer.
bool stream(const std::string& path, const DictionarySource& source,
            const DictionaryOptions& options, std::string* error, unsigned threads = 0,
            BlockCompression compression = BlockCompression::kZlibDefault) {
  std::string words, abbrevs;
  encode_streams(source, options, &words, &abbrevs);
  DictionaryStreamWriter writer;
  writer.set_compression_threads(threads);
  writer.set_block_compression(compression);
  if (!writer.begin(path, options, static_cast<std::uint32_t>(source.entries.size()), words,
                    static_cast<std::uint32_t>(source.abbreviations.size()), abbrevs, error))
    return false;
  for (const auto& [headword, article] : source.entries)
    if (!writer.add_article(to_multibyte(article, options.articles_code_page), error)) return false;
  return writer.finish(error);
}

DictionarySource numbered_source(int count) {
  DictionarySource source;
  for (int i = 0; i < count; ++i) {
    std::u16string n = utf8_to_utf16(std::to_string(1000 + i));
    source.entries.emplace_back(u"w" + n, u"<b>article " + n + u"</b> \u0434\u043E\u043C");
  }
  source.abbreviations.emplace_back(u"adj.", u"\u043F\u0440\u0438\u043B.");
  return source;
}

// With the checksum trailer, imported markup's flag and short blocks.
DictionaryOptions sixteen_per_block() {
  DictionaryOptions options;
  options.flags = FLAG_HAS_CHECKSUM | FLAG_NO_AUTO_FORMAT;
  options.articles_per_block = 16;
  return options;
}

class DictionaryStreamWriterTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  RecordingMessageSink messages_;
};

TEST_F(DictionaryStreamWriterTest, WritesTheSameBytesAsTheWholeMemoryWriter) {
  // Several full blocks and a short last one, abbreviations, the checksum
  // trailer (joined from two running sums) and a UTF-8 dictionary.
  for (std::uint32_t code_page : {1251u, kCodePageUtf8}) {
    DictionarySource source = numbered_source(150);
    DictionaryOptions options;
    options.words_code_page = code_page;
    options.articles_code_page = code_page;
    options.flags = FLAG_HAS_CHECKSUM | FLAG_NO_AUTO_FORMAT;
    options.sort = false;
    std::string error;
    const std::string path = dir_.file("streamed.zd");
    ASSERT_TRUE(stream(path, source, options, &error)) << error;
    const std::vector<std::uint8_t> whole = build_dictionary(source, options, &error);
    EXPECT_EQ(test::read_file(path), whole) << code_page;
    // Blocks compressed by several workers come out in the same order.
    ASSERT_TRUE(stream(path, source, options, &error, 3)) << error;
    EXPECT_EQ(test::read_file(path), whole) << code_page;

    Dictionary dict;
    ASSERT_TRUE(dict.open_dictionary(path));
    EXPECT_EQ(dict.verify_checksum(), kChecksumOk);
    EXPECT_EQ(dict.article_at(149).value(), u"<b>article 1149</b> \u0434\u043E\u043C");
    EXPECT_EQ(dict.expand_abbreviation(u"adj.").value(), u"\u043F\u0440\u0438\u043B.");
  }
}

TEST_F(DictionaryStreamWriterTest, FastCompressionReadsBackTheSameOnAnyNumberOfThreads) {
  const DictionarySource source = numbered_source(300);
  const DictionaryOptions options = sixteen_per_block();
  std::string error;
  const std::string path = dir_.file("fast.zd");
  ASSERT_TRUE(stream(path, source, options, &error, 0, BlockCompression::kFast)) << error;
  const std::vector<std::uint8_t> alone = test::read_file(path);
  ASSERT_TRUE(stream(path, source, options, &error, 3, BlockCompression::kFast)) << error;
  EXPECT_EQ(test::read_file(path), alone);
  ASSERT_TRUE(stream(dir_.file("default.zd"), source, options, &error)) << error;
  EXPECT_NE(test::read_file(dir_.file("default.zd")), alone);  // another deflate indeed
  Dictionary dict;
  ASSERT_TRUE(dict.open_dictionary(path));
  EXPECT_EQ(dict.verify_checksum(), kChecksumOk);
  for (std::uint32_t i = 0; i < source.entries.size(); ++i)
    ASSERT_EQ(dict.article_at(i).value(), source.entries[i].second) << i;
}

// Blocks made and deflated by the caller (the import's own threads) give the
// file that the same articles given one by one give; a count that does not
// make whole blocks, or a block begun article by article, is refused.
TEST_F(DictionaryStreamWriterTest, PackedBlocksGiveTheSameFileAsArticlesOneByOne) {
  const DictionarySource source = numbered_source(300);
  const DictionaryOptions options = sixteen_per_block();
  std::string error;
  ASSERT_TRUE(
      stream(dir_.file("one_by_one.zd"), source, options, &error, 0, BlockCompression::kFast))
      << error;
  std::string words, abbrevs;
  encode_streams(source, options, &words, &abbrevs);
  const auto begin = [&](DictionaryStreamWriter* w, const std::string& path) {
    w->set_block_compression(BlockCompression::kFast);
    return w->begin(path, options, static_cast<std::uint32_t>(source.entries.size()), words,
                    static_cast<std::uint32_t>(source.abbreviations.size()), abbrevs, &error);
  };
  // The articles of [from, to), each with its 0 byte, deflated.
  BlockDeflater deflater(BlockCompression::kFast);
  std::string block;
  std::vector<std::uint8_t> packed;
  const auto pack = [&](std::size_t from, std::size_t to) {
    block.clear();
    for (std::size_t i = from; i < to; ++i)
      block += to_multibyte(source.entries[i].second, options.articles_code_page) + '\0';
    deflater.compress(reinterpret_cast<const std::uint8_t*>(block.data()), block.size(), &packed);
  };

  DictionaryStreamWriter writer;
  ASSERT_TRUE(begin(&writer, dir_.file("packed.zd")));
  EXPECT_EQ(writer.articles_per_block(), 16u);
  for (std::size_t from = 0; from < source.entries.size(); from += 16) {
    const std::size_t to = std::min(source.entries.size(), from + 16);
    pack(from, to);
    ASSERT_TRUE(writer.add_packed_block(static_cast<std::uint32_t>(to - from), block.size(), packed,
                                        &error))
        << error;
  }
  ASSERT_TRUE(writer.finish(&error)) << error;
  EXPECT_EQ(test::read_file(dir_.file("packed.zd")), test::read_file(dir_.file("one_by_one.zd")));

  DictionaryStreamWriter refusing;
  ASSERT_TRUE(begin(&refusing, dir_.file("refused.zd")));
  pack(0, 15);
  EXPECT_FALSE(refusing.add_packed_block(15, block.size(), packed, &error));  // not the last
  ASSERT_TRUE(refusing.add_article("begun", &error));
  pack(1, 17);
  EXPECT_FALSE(refusing.add_packed_block(16, block.size(), packed, &error));
  EXPECT_NE(error.find("begun"), std::string::npos) << error;
}

TEST_F(DictionaryStreamWriterTest, RefusesMissingExtraAndZeroHoldingArticles) {
  DictionaryOptions options;
  std::string error;
  DictionaryStreamWriter writer;
  ASSERT_TRUE(
      writer.begin(dir_.file("a.zd"), options, 2, std::string_view("a\0b\0", 4), 0, "", &error));
  EXPECT_FALSE(writer.add_article(std::string_view("x\0y", 3), &error));
  EXPECT_TRUE(writer.add_article("one", &error));
  EXPECT_FALSE(writer.finish(&error));
  EXPECT_TRUE(writer.add_article("two", &error));
  EXPECT_FALSE(writer.add_article("three", &error));
  EXPECT_TRUE(writer.finish(&error)) << error;

  options.version = 3;
  DictionaryStreamWriter old_version;
  EXPECT_FALSE(old_version.begin(dir_.file("b.zd"), options, 0, "", 0, "", &error));
}

TEST(HeadwordOrder, MatchesTheLookupOrderInBothCollationModes) {
  const std::vector<std::u16string> words = {u"bank",    u"Zebra", u"Bank",  u"apple", u"_x",
                                             u"\u00E5l", u"zon",   u"co-op", u"coop"};
  auto at = [&](std::size_t i) -> std::u16string_view { return words[i]; };
  // Code-unit order of the lower case, equal words in their given order.
  EXPECT_EQ(sort_headwords(words.size(), at, 1252, 0x0019, 0),
            (std::vector<std::uint32_t>{4, 3, 0, 2, 7, 8, 1, 6, 5}));
  // Swedish: a-ring after z; hyphen sorts as a symbol.
  std::vector<std::uint32_t> swedish = sort_headwords(words.size(), at, 1252, 0x041D, 0);
  for (std::size_t k = 1; k < swedish.size(); ++k)
    EXPECT_LE(compare_locale(words[swedish[k - 1]], words[swedish[k]], 0x041D, true), 0);
  EXPECT_EQ(swedish.back(), 5u);
}

// A long list is sorted in two halves on two threads and merged: the same
// order as one stable sort, equal words (case variants) in their given order
// even where they straddle the halves.
TEST(HeadwordOrder, TwoThreadsGiveTheOrderOfOne) {
  std::vector<std::u16string> words;
  for (int i = 0; i < 40000; ++i) {
    const std::u16string stem = u"w" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) +
                                std::u16string(1, static_cast<char16_t>(u'a' + i / 26 % 26));
    words.push_back(i % 3 == 0 ? u"W" + stem.substr(1) : stem);
  }
  auto at = [&](std::size_t i) -> std::u16string_view { return words[i]; };
  for (const std::uint32_t locale : {0x0019u, 0x0409u}) {
    const std::vector<std::uint32_t> one = sort_headwords(words.size(), at, 1252, locale, 0);
    EXPECT_EQ(sort_headwords(words.size(), at, 1252, locale, 0, true), one) << locale;
    // Equal words stay in their given order: the first "waa" is word 0.
    EXPECT_EQ(one.front(), 0u) << locale;
  }
}

}  // namespace
}  // namespace lexora::compiler
