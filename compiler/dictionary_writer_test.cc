#include "compiler/dictionary_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "engine/dictionary.h"
#include "platform/messages.h"
#include "testing/recording_message_sink.h"
#include "testing/test_files.h"

namespace lexora::compiler {
namespace {

DictionarySource source_of(std::initializer_list<std::u16string> words) {
  DictionarySource source;
  for (const auto& w : words) source.entries.emplace_back(w, u"<" + w + u">");
  return source;
}

std::vector<std::u16string> words_of(Dictionary& dict) {
  std::vector<std::u16string> out;
  for (std::uint32_t i = 0; i < dict.word_count(); ++i) out.emplace_back(dict.word_at(i).value());
  return out;
}

class DictionaryWriterTest : public ::testing::Test {
 protected:
  std::vector<std::u16string> written_order(const DictionarySource& source,
                                            const DictionaryOptions& options) {
    std::string path = dir_.file("d.zd");
    std::string error;
    EXPECT_TRUE(write_dictionary_file(path, source, options, &error)) << error;
    EXPECT_TRUE(dict_.open_dictionary(path));
    return words_of(dict_);
  }

  test::TempDir dir_;
  RecordingMessageSink messages_;
  Dictionary dict_;
};

TEST_F(DictionaryWriterTest, SortsByLowerCaseCodeUnitsWithoutLocaleCollation) {
  // Equal headwords (case ignored) keep their given order; "_" (0x5F) sorts
  // before lower-case letters but after upper-case ones would.
  DictionaryOptions options;
  options.words_code_page = 1252;
  auto order = written_order(
      source_of({u"bank", u"Zebra", u"Bank", u"apple", u"_x", u"\u00E9t\u00E9", u"etc."}), options);
  EXPECT_EQ(order, (std::vector<std::u16string>{u"_x", u"apple", u"bank", u"Bank", u"etc.",
                                                u"Zebra", u"\u00E9t\u00E9"}));
}

TEST_F(DictionaryWriterTest, SortsByTheLocaleWithLocaleCollation) {
  DictionaryOptions options;
  options.words_code_page = 1252;
  options.locale_id = 0x041D;  // Swedish: a-ring after z
  auto order =
      written_order(source_of({u"\u00E5l", u"zon", u"Apa", u"\u00E9t\u00E9", u"ete"}), options);
  EXPECT_EQ(order,
            (std::vector<std::u16string>{u"Apa", u"ete", u"\u00E9t\u00E9", u"zon", u"\u00E5l"}));

  options.locale_id = 0x0019;
  options.flags = FLAG_LOCALE_COLLATION;
  options.words_code_page = 1251;
  order = written_order(source_of({u"\u0451\u0436", u"\u0435\u043B\u044C", u"\u0436\u0443\u043A"}),
                        options);
  // In Russian collation yo sorts as ye (so yozh before yel'); by code
  // units it would come last.
  EXPECT_EQ(order, (std::vector<std::u16string>{u"\u0451\u0436", u"\u0435\u043B\u044C",
                                                u"\u0436\u0443\u043A"}));
}

TEST_F(DictionaryWriterTest, KeepsTheGivenOrderWhenAsked) {
  DictionaryOptions options;
  options.sort = false;
  auto order = written_order(source_of({u"b", u"a", u"c"}), options);
  EXPECT_EQ(order, (std::vector<std::u16string>{u"b", u"a", u"c"}));
}

TEST_F(DictionaryWriterTest, HeaderLayoutFollowsTheVersion) {
  DictionarySource source = source_of({u"a", u"b"});
  std::string error;
  for (std::int16_t version : {2, 3, 4, 5}) {
    DictionaryOptions options;
    options.version = version;
    options.articles_per_block = 1;
    std::vector<std::uint8_t> bytes = build_dictionary(source, options, &error);
    const std::size_t header = version == 2 ? 36 : version == 3 ? 38 : 50;
    // The words stream (a zlib header, 0x78) begins right after the header.
    ASSERT_GT(bytes.size(), header);
    EXPECT_EQ(bytes[header], 0x78) << version;
    EXPECT_EQ(bytes[0], version);
    // block_count: 1 block of 100 in version 2 (at offset 16), 2 of 1 at 18 otherwise.
    if (version == 2) {
      EXPECT_EQ(bytes[16], 1);
      EXPECT_EQ(bytes[2], 0);
      EXPECT_EQ(bytes[3], 0);
    } else {
      EXPECT_EQ(bytes[14], 1);
      EXPECT_EQ(bytes[18], 2);
    }
  }
}

TEST_F(DictionaryWriterTest, ChecksumTrailerIsAdlerFromZero) {
  DictionaryOptions options;
  options.flags = FLAG_HAS_CHECKSUM | FLAG_NO_AUTO_FORMAT;
  std::string error;
  std::vector<std::uint8_t> bytes = build_dictionary(source_of({u"a", u"b"}), options, &error);
  ASSERT_GT(bytes.size(), 4u);
  const std::size_t body = bytes.size() - 4;
  const uLong sum = adler32(0, bytes.data(), static_cast<uInt>(body));
  const std::uint32_t stored = bytes[body] | bytes[body + 1] << 8 | bytes[body + 2] << 16 |
                               static_cast<std::uint32_t>(bytes[body + 3]) << 24;
  EXPECT_EQ(stored, static_cast<std::uint32_t>(sum));
  options.flags = 0;
  EXPECT_EQ(build_dictionary(source_of({u"a", u"b"}), options, &error).size(), body);
}

TEST_F(DictionaryWriterTest, RefusesWhatCannotBeWritten) {
  std::string error;
  DictionaryOptions options;
  options.words_code_page = 12345;
  EXPECT_TRUE(build_dictionary(source_of({u"a"}), options, &error).empty());
  EXPECT_NE(error.find("12345"), std::string::npos);

  error.clear();
  EXPECT_TRUE(build_dictionary(source_of({std::u16string(u"a\0b", 3)}), {}, &error).empty());
  EXPECT_FALSE(error.empty());

  error.clear();
  DictionarySource source = source_of({u"a"});
  source.abbreviations = {{u"a  b", u"x"}};
  EXPECT_TRUE(build_dictionary(source, {}, &error).empty());
  EXPECT_FALSE(error.empty());

  EXPECT_FALSE(
      write_dictionary_file(dir_.file("no/such/folder.zd"), source_of({u"a"}), {}, &error));
}

}  // namespace
}  // namespace lexora::compiler
