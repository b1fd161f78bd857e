#include "import/dsl_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>

#include "import/media_source.h"
#include "import/recording_sink_for_test.h"
#include "import/zip_writer_for_test.h"
#include "platform/utf.h"

namespace lexora::import {
namespace {

namespace fs = std::filesystem;

// UTF-16LE with a byte order mark and CR LF line ends, as DSL sources come.
std::vector<std::uint8_t> dsl_file_bytes(const std::string& utf8) {
  std::string crlf;
  for (char c : utf8) {
    if (c == '\n') crlf.push_back('\r');
    crlf.push_back(c);
  }
  std::u16string text = u"\uFEFF" + utf8_to_utf16(crlf);
  std::vector<std::uint8_t> out;
  for (char16_t u : text) {
    out.push_back(static_cast<std::uint8_t>(u));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return out;
}

void write_file(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

void write_gzip(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  gzFile f = gzopen(path.c_str(), "wb");
  gzwrite(f, bytes.data(), static_cast<unsigned>(bytes.size()));
  gzclose(f);
}

const char kDictionary[] =
    "#NAME \"Test Dictionary\"\n"
    "#INDEX_LANGUAGE \"English\"\n"
    "#CONTENTS_LANGUAGE \"Russian\"\n"
    "\n"
    "{to }go\n"
    "go away\n"
    "\t[m1][b]1.[/b] [p]v.[/p] идти; ~ home[/m]\n"
    "\t[m2][ex]He went \\[home\\].[/ex][/m]\n"
    "\t[s]go.wav[/s] [s]pic.png[/s] [s]doc.pdf[/s] [s]missing.ogg[/s]\n"
    "\t{{a comment}}see [ref]run[/ref] and <<walk>> [p]coll.[/p]\n"
    "\t[t]\\[gəʊ\\][/t]\n"
    "\n"
    "house\n"
    "\t\\[[t]haʊs[/t]\\] [b]bold [i]both[/b] italic[/i] [c red]red[/c] [c]green[/c]\n"
    "\t[x-unknown]kept[/x-unknown] a < b & c [sup]2[/sup]\n"
    "\t[url]www.example.org[/url]\n"
    "\t@ house party\n"
    "\ta party at home\n"
    "\t@\n"
    "\tback to ~\n";

const char kAbbreviations[] =
    "v.\n"
    "\tverb\n"
    "n.\n"
    "\t[i]noun[/i]\n";

class DslReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("lexora_dsl_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void write_media_zip(const fs::path& path) {
    write_file(path, build_zip({{"go.wav", bytes_of("RIFF-go"), true},
                                {"pic.png", bytes_of("PNG-pic"), false},
                                {"doc.pdf", bytes_of("PDF-doc"), true}}));
  }
  bool read(const fs::path& path) { return read_dsl_dictionary(path.string(), &sink_, &error_); }

  fs::path dir_;
  RecordingSink sink_;
  ImportError error_;
};

TEST_F(DslReaderTest, ReadsHeaderHeadwordGroupsAndAbbreviations) {
  write_file(dir_ / "dict.dsl", dsl_file_bytes(kDictionary));
  write_file(dir_ / "dict_abrv.dsl", dsl_file_bytes(kAbbreviations));
  ASSERT_TRUE(read(dir_ / "dict.dsl")) << error_.message;
  EXPECT_EQ(sink_.title, "Test Dictionary");
  EXPECT_EQ(sink_.from, "English");
  EXPECT_EQ(sink_.to, "Russian");
  EXPECT_EQ(sink_.abbreviations,
            (std::map<std::string, std::string>{{"v.", "verb"}, {"n.", "noun"}}));
  ASSERT_EQ(sink_.articles.size(), 3u);
  const RecordedArticle& go = sink_.articles[0];
  EXPECT_EQ(go.headwords, (std::vector<std::string>{"go", "go away"}));
  // The headwords as written, unsorted part included, head the article.
  EXPECT_TRUE(go.markup.starts_with("<div><b>to go, go away</b></div>")) << go.markup;
  EXPECT_NE(go.markup.find("<div style=\"margin-left:1em\"><b>1.</b> <i><abr>v.</abr></i> "
                           "идти; go home</div>"),
            std::string::npos)
      << go.markup;
  // A label without an expansion stays a plain label.
  EXPECT_NE(go.markup.find("<font color=\"green\"><i>coll.</i></font>"), std::string::npos);
  EXPECT_NE(go.markup.find("<div style=\"margin-left:2em\"><font color=\"#4a5a8a\">He went "
                           "[home].</font></div>"),
            std::string::npos)
      << go.markup;
  EXPECT_NE(go.markup.find("<a href=\"run\">run</a> and <a href=\"walk\">walk</a>"),
            std::string::npos);
  EXPECT_NE(go.markup.find("<div><t>gəʊ</t></div>"), std::string::npos) << go.markup;
  EXPECT_EQ(go.markup.find("comment"), std::string::npos);
}

TEST_F(DslReaderTest, FormatsNestedAndBadlyNestedTagsWellNested) {
  write_file(dir_ / "dict.dsl", dsl_file_bytes(kDictionary));
  ASSERT_TRUE(read(dir_ / "dict.dsl")) << error_.message;
  const RecordedArticle* house = sink_.find("house");
  ASSERT_NE(house, nullptr);
  EXPECT_TRUE(house->markup.starts_with(
      "<div><t>haʊs</t> <b>bold <i>both</i></b><i> italic</i> <font color=\"red\">red</font> "
      "<font color=\"green\">green</font></div>"))
      << house->markup;
  EXPECT_NE(house->markup.find("<div>kept a &lt; b &amp; c <sup>2</sup></div>"), std::string::npos)
      << house->markup;
  EXPECT_NE(house->markup.find("<a href=\"http://www.example.org\">www.example.org</a>"),
            std::string::npos);
}

TEST_F(DslReaderTest, SubEntryBecomesItsOwnArticleLinkedFromTheCard) {
  write_file(dir_ / "dict.dsl", dsl_file_bytes(kDictionary));
  ASSERT_TRUE(read(dir_ / "dict.dsl")) << error_.message;
  const RecordedArticle* party = sink_.find("house party");
  ASSERT_NE(party, nullptr);
  EXPECT_EQ(party->markup, "<div>a party at home</div>");
  const RecordedArticle* house = sink_.find("house");
  ASSERT_NE(house, nullptr);
  EXPECT_EQ(house->markup.find("a party at home"), std::string::npos);
  EXPECT_NE(house->markup.find("<div>back to house</div>"), std::string::npos);
  EXPECT_TRUE(house->markup.ends_with(
      "<div style=\"margin-left:1em\"><a href=\"house party\">house party</a></div>"));
}

TEST_F(DslReaderTest, MediaFromTheZipBesideTheSource) {
  write_file(dir_ / "dict.dsl", dsl_file_bytes(kDictionary));
  write_media_zip(dir_ / "dict.dsl.files.zip");
  ASSERT_TRUE(read(dir_ / "dict.dsl")) << error_.message;
  const std::string& go = sink_.articles[0].markup;
  EXPECT_NE(go.find("<div><wav>go.wav</wav> <img src=\"pic.png\"> "
                    "<a href=\"file://doc.pdf\">doc.pdf</a> </div>"),
            std::string::npos)
      << go;
  EXPECT_EQ(sink_.media.size(), 3u);
  EXPECT_EQ(sink_.media["go.wav"], bytes_of("RIFF-go"));
  EXPECT_EQ(sink_.media["pic.png"], bytes_of("PNG-pic"));
  EXPECT_EQ(sink_.media["doc.pdf"], bytes_of("PDF-doc"));
  EXPECT_EQ(sink_.skips_with("media file missing"), 1);
  EXPECT_EQ(go.find("missing.ogg"), std::string::npos);
}

TEST_F(DslReaderTest, MediaFromAFolderAndNeverFromOutsideIt) {
  const std::string text = "a\n\t[s]pic.png[/s]\nb\n\t[s]../secret.png[/s] [s]pic.png[/s]\n";
  write_file(dir_ / "dict.dsl", dsl_file_bytes(text));
  fs::create_directories(dir_ / "dict.dsl.files");
  write_file(dir_ / "dict.dsl.files" / "pic.png", bytes_of("PNG"));
  write_file(dir_ / "secret.png", bytes_of("SECRET"));
  ASSERT_TRUE(read(dir_ / "dict.dsl")) << error_.message;
  EXPECT_EQ(sink_.media.size(), 1u);
  EXPECT_EQ(sink_.media_calls, 1);  // each file once, however often it is used
  EXPECT_EQ(sink_.media["pic.png"], bytes_of("PNG"));
  EXPECT_EQ(sink_.skips_with("media file name outside the media folder"), 1);
}

TEST_F(DslReaderTest, CompressedSourceFindsItsCompanions) {
  write_gzip(dir_ / "dict.dsl.dz", dsl_file_bytes(kDictionary));
  write_gzip(dir_ / "dict_abrv.dsl.dz", dsl_file_bytes(kAbbreviations));
  write_media_zip(dir_ / "dict.dsl.files.zip");
  ASSERT_TRUE(read(dir_ / "dict.dsl.dz")) << error_.message;
  EXPECT_EQ(sink_.articles.size(), 3u);
  EXPECT_EQ(sink_.abbreviations.size(), 2u);
  EXPECT_EQ(sink_.media.size(), 3u);
}

TEST_F(DslReaderTest, DamagedMediaArchiveCostsTheMediaNotTheArticles) {
  write_file(dir_ / "dict.dsl", dsl_file_bytes(kDictionary));
  write_file(dir_ / "dict.dsl.files.zip", bytes_of("this is no zip archive"));
  ASSERT_TRUE(read(dir_ / "dict.dsl")) << error_.message;
  EXPECT_EQ(sink_.articles.size(), 3u);
  EXPECT_TRUE(sink_.media.empty());
  ASSERT_FALSE(sink_.skips.empty());
  EXPECT_TRUE(sink_.skips[0].starts_with("media archive unreadable")) << sink_.skips[0];
}

TEST_F(DslReaderTest, MissingOrDamagedSourceReportsTheFile) {
  EXPECT_FALSE(read(dir_ / "none.dsl"));
  EXPECT_EQ(error_.file, (dir_ / "none.dsl").string());
  std::vector<std::uint8_t> gz = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3, 0xFF, 0xFF, 0xFF};
  write_file(dir_ / "bad.dsl.dz", gz);
  EXPECT_FALSE(read(dir_ / "bad.dsl.dz"));
  EXPECT_NE(error_.message.find("damaged"), std::string::npos) << error_.message;
}

bool read_text(const std::string& text, RecordingSink* sink, ImportError* error) {
  const std::vector<std::uint8_t> bytes = dsl_file_bytes(text);
  return read_dsl_bytes(bytes, {}, nullptr, "test.dsl", sink, error);
}

TEST(DslReaderTextTest, TagsOpenAtALineEndCarryOverToTheNextLine) {
  RecordingSink sink;
  ImportError error;
  ASSERT_TRUE(read_text("w\n\t[b]one [c blue]two\n\tthree[/b] four[/c]\n", &sink, &error));
  ASSERT_EQ(sink.articles.size(), 1u);
  EXPECT_EQ(sink.articles[0].markup,
            "<div><b>one <font color=\"blue\">two</font></b></div>"
            "<div><b><font color=\"blue\">three</font></b><font color=\"blue\"> four</font></div>");
}

TEST(DslReaderTextTest, BrokenMarkupNeverLeavesTagsOpen) {
  RecordingSink sink;
  ImportError error;
  ASSERT_TRUE(
      read_text("w\n\t[/b][/i]x [i][p]adj. [t]y\n\t[b][[]<<unclosed [ref]z\n", &sink, &error));
  ASSERT_EQ(sink.articles.size(), 1u);
  const std::string& m = sink.articles[0].markup;
  EXPECT_EQ(m,
            "<div>x <i><font color=\"green\"><i>adj. y</i></font></i></div>"
            "<div><i><b>[[]&lt;&lt;unclosed <a href=\"z\">z</a></b></i></div>");
}

TEST(DslReaderTextTest, CardsWithoutHeadwordOrBodyAreSkippedAndCounted) {
  RecordingSink sink;
  ImportError error;
  ASSERT_TRUE(read_text("\torphan line\nempty card\n\n{unsorted only}\n\tbody\nok\n\ttext\n", &sink,
                        &error));
  ASSERT_EQ(sink.articles.size(), 1u);
  EXPECT_EQ(sink.articles[0].headwords, std::vector<std::string>{"ok"});
  EXPECT_EQ(sink.skips_with("body line without a headword"), 1);
  EXPECT_EQ(sink.skips_with("headword without article"), 1);
  EXPECT_EQ(sink.skips_with("empty headword"), 1);
}

TEST(DslReaderTextTest, EmptyLinesInsideABodyKeepTheCardTogether) {
  RecordingSink sink;
  ImportError error;
  ASSERT_TRUE(read_text("a\n\tone\n\n\t\n\ttwo\n\nb\n\tthree\n", &sink, &error));
  ASSERT_EQ(sink.articles.size(), 2u);
  EXPECT_EQ(sink.articles[0].markup, "<div>one</div><div>two</div>");
  EXPECT_EQ(sink.articles[1].markup, "<div>three</div>");
  EXPECT_TRUE(sink.skips.empty());
}

TEST(DslReaderTextTest, CancelStopsTheReadingWithTheLine) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "word" + std::to_string(i) + "\n\tbody\n";
  RecordingSink sink;
  sink.cancel_at_call = 2;
  ImportError error;
  EXPECT_FALSE(read_text(text, &sink, &error));
  EXPECT_EQ(error.message, "import cancelled");
  EXPECT_EQ(sink.articles.size(), 2048u);
  EXPECT_GT(error.line, 4000u);
}

TEST(DslReaderTextTest, MediaComesFromAZipInMemory) {
  const std::vector<std::uint8_t> zip = build_zip({{"Sounds/Cat.OGG", bytes_of("OggS"), true}});
  std::string message;
  auto media = MediaSource::from_zip_bytes(zip, &message);
  ASSERT_NE(media, nullptr) << message;
  const std::vector<std::uint8_t> dsl = dsl_file_bytes("cat\n\t[s]cat.ogg[/s]\n");
  RecordingSink sink;
  ImportError error;
  ASSERT_TRUE(read_dsl_bytes(dsl, {}, media.get(), "t.dsl", &sink, &error));
  EXPECT_EQ(sink.articles[0].markup, "<div><wav>cat.ogg</wav></div>");
  EXPECT_EQ(sink.media["cat.ogg"], bytes_of("OggS"));
}

}  // namespace
}  // namespace lexora::import
