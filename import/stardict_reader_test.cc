#include "import/stardict_reader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/dictionary.h"
#include "import/import_dictionary.h"
#include "import/stardict_markup.h"
#include "import/test_sources.h"
#include "platform/messages.h"
#include "platform/utf.h"
#include "testing/recording_message_sink.h"

namespace lexora::import {
namespace {

using namespace std::string_literals;

std::string sized(std::string_view data) {
  std::string out;
  test::put_u32_be(&out, static_cast<std::uint32_t>(data.size()));
  return out.append(data);
}

class StardictTest : public ::testing::Test {
 protected:
  ImportStats import(const std::string& ifo) {
    ImportStats stats;
    ImportError error;
    EXPECT_TRUE(import_dictionary(ifo, dir_.file("out.zd"), ImportOptions{}, &stats, &error))
        << describe(error);
    EXPECT_TRUE(dict_.open_dictionary(dir_.file("out.zd")));
    return stats;
  }
  std::string article_of(std::u16string_view word) {
    bool exact = false;
    const std::uint32_t at = dict_.find_word(word, &exact, false);
    if (!exact) return "(missing)";
    return utf16_to_utf8(dict_.article_at(at).value_or(u""));
  }

  lexora::test::TempDir dir_;
  RecordingMessageSink messages_;
  Dictionary dict_;
};

TEST_F(StardictTest, SameTypeSequenceFieldsAndSynonyms) {
  test::StardictSource s;
  s.same_type_sequence = "tm";
  s.entries = {{"cat", "k\xC3\xA6t\0a small animal\nwith whiskers"s},
               {"dog", "d\xC9\x92g\0barks & bites"s}};
  s.synonyms = {{"kitty", 0}, {"hound", 1}, {"stray", 7}};
  s.bookname = "Pets";
  const ImportStats stats = import(test::write_stardict(dir_.path(), "pets", s));
  EXPECT_EQ(stats.title, "Pets");
  EXPECT_EQ(article_of(u"cat"), "<t>k\xC3\xA6t</t><br>a small animal<br>with whiskers");
  EXPECT_EQ(article_of(u"dog"), "<t>d\xC9\x92g</t><br>barks &amp; bites");
  EXPECT_EQ(article_of(u"kitty"), "&rarr; <a href=\"cat\">cat</a>");
  EXPECT_EQ(article_of(u"hound"), "&rarr; <a href=\"dog\">dog</a>");
  EXPECT_EQ(stats.skipped.at("synonym pointing past the index"), 1u);
  EXPECT_EQ(stats.headwords_written, 4u);
}

TEST_F(StardictTest, TypedFieldsWith64BitOffsetsAndMedia) {
  const std::string png = "\x89PNG\r\n\x1A\n-picture-";
  test::StardictSource s;
  s.offsets64 = true;
  s.entries = {
      {"bell",
       "h<b>bell</b> <a href=\"bword://ring\">ring</a> <a href=\"sound://ding.ogg\">"
       "&#9835;</a>" +
           std::string(1, '\0') + "W" + sized("RIFFdata") + "P" + sized(png)},
      {"ring",
       "gto <span foreground=\"red\" weight=\"bold\">ring</span>\nagain"s + std::string(1, '\0')},
      {"ding", "x<k>ding</k> <tr>d\xC9\xAA\xC5\x8B</tr> <abr>n.</abr> see <kref>bell</kref>"s +
                   std::string(1, '\0')}};
  const std::string ifo = test::write_stardict(dir_.path(), "bells", s);
  std::filesystem::create_directories(dir_.file("res"));
  lexora::test::write_file(dir_.file("res/ding.ogg"), "OggS");
  const ImportStats stats = import(ifo);
  EXPECT_EQ(article_of(u"bell"),
            "<b>bell</b> <a href=\"ring\">ring</a> <a href=\"!%ding.ogg\">&#9835;</a>"
            "<wav>sd1.wav</wav><img src=\"sd1-2.png\">");
  EXPECT_EQ(article_of(u"ring"),
            "to <span style=\"color:red;font-weight:bold;\">ring</span><br>again");
  EXPECT_EQ(article_of(u"ding"),
            "<font size=\"+1\"><b>ding</b></font><br> <t>d\xC9\xAA\xC5\x8B</t> "
            "<i><font color=\"green\">n.</font></i> see <a href=\"bell\">bell</a>");
  EXPECT_EQ(stats.media_files, 3u);
  std::uint32_t size = 0;
  std::vector<std::uint8_t> buffer;
  const std::uint8_t* data = dict_.read_pack_entry(u"sd1-2.png", &size, &buffer);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string(data, data + size), png);
  EXPECT_NE(dict_.read_pack_entry(u"ding.ogg", &size, &buffer), nullptr);
  EXPECT_NE(dict_.read_pack_entry(u"sd1.wav", &size, &buffer), nullptr);
}

// The index that dictd2dic of some 64-bit builds writes (each number in 8
// bytes under an .ifo declaring 4) is read as it is; the same index under a
// word count it does not give is reported as declared.
TEST_F(StardictTest, IndexWithPaddedNumbersOfSomeConvertersIsReadAsItIs) {
  test::StardictSource s;
  s.same_type_sequence = "m";
  s.padded_numbers = true;
  for (int i = 0; i < 40; ++i)
    s.entries.emplace_back("word" + std::to_string(100 + i), "sense " + std::to_string(i));
  const std::string ifo = test::write_stardict(dir_.path(), "wide", s);
  const ImportStats stats = import(ifo);
  EXPECT_EQ(stats.headwords_written, 40u);
  EXPECT_EQ(article_of(u"word100"), "sense 0");
  EXPECT_EQ(article_of(u"word139"), "sense 39");
  dict_.close_dictionary();

  const std::vector<std::uint8_t> bytes = lexora::test::read_file(ifo);
  std::string text(bytes.begin(), bytes.end());
  text.replace(text.find("wordcount=40"), 12, "wordcount=41");
  lexora::test::write_file(ifo, text);
  ImportError error;
  EXPECT_FALSE(import_dictionary(ifo, dir_.file("out.zd"), ImportOptions{}, nullptr, &error));
  EXPECT_EQ(error.file, dir_.file("wide.idx"));
}

TEST_F(StardictTest, MalformedIndexAndDataAreReportedWithTheirPlace) {
  test::StardictSource s;
  s.same_type_sequence = "m";
  s.entries = {{"one", "first"}, {"two", "second"}};
  const std::string ifo = test::write_stardict(dir_.path(), "bad", s);
  std::vector<std::uint8_t> idx = lexora::test::read_file(dir_.file("bad.idx"));
  // The second entry's size grows past the data's end.
  idx[idx.size() - 1] = 0x7F;
  lexora::test::write_file(dir_.file("bad.idx"), idx);
  ImportError error;
  EXPECT_FALSE(import_dictionary(ifo, dir_.file("out.zd"), ImportOptions{}, nullptr, &error));
  EXPECT_EQ(error.file, dir_.file("bad.idx"));
  EXPECT_EQ(error.offset, 12u);  // "one\0" + offset + size
  // Cut inside the second entry.
  idx.resize(idx.size() - 3);
  lexora::test::write_file(dir_.file("bad.idx"), idx);
  EXPECT_FALSE(import_dictionary(ifo, dir_.file("out.zd"), ImportOptions{}, nullptr, &error));
  EXPECT_NE(error.message.find("cut short"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_.file("out.zd")));
  // Not a .ifo at all.
  lexora::test::write_file(ifo, "hello\n");
  EXPECT_FALSE(import_dictionary(ifo, dir_.file("out.zd"), ImportOptions{}, nullptr, &error));
  EXPECT_EQ(error.line, 1u);
}

TEST(StardictEntry, FieldsWithoutTerminatorOrSizeFail) {
  std::string markup, message;
  EXPECT_FALSE(stardict_entry_markup("mno end", "", "p", nullptr, &markup, &message));
  EXPECT_FALSE(
      stardict_entry_markup("W\0\0\0\x09"
                            "abc"s,
                            "", "p", nullptr, &markup, &message));
  EXPECT_NE(message.find("runs past"), std::string::npos);
  // With a type sequence only the last field may lack its terminator.
  EXPECT_FALSE(stardict_entry_markup("no end", "tm", "p", nullptr, &markup, &message));
}

TEST(StardictMarkup, PlainTextIsEscapedAndResourcesListed) {
  std::string out;
  append_plain_field("a<b\r\nc", &out);
  EXPECT_EQ(out, "a&lt;b<br>c");
  out.clear();
  append_resource_field("img:cat.png\nsnd:meow.wav\natt:doc.pdf", &out);
  EXPECT_EQ(out, "<img src=\"cat.png\"><wav>meow.wav</wav><a href=\"doc.pdf\">doc.pdf</a>");
  out.clear();
  append_html_field("<img src='file://x.png'> <a class=\"k\" href=\"bword://y z\">y</a>", &out);
  EXPECT_EQ(out, "<img src='x.png'> <a class=\"k\" href=\"y z\">y</a>");
}

}  // namespace
}  // namespace lexora::import
