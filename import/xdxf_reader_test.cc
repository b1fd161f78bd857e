#include "import/xdxf_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>

#include "import/media_source.h"
#include "import/recording_sink_for_test.h"
#include "import/zip_writer_for_test.h"

namespace lexora::import {
namespace {

namespace fs = std::filesystem;

const char kVisual[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE xdxf SYSTEM \"https://example.org/xdxf_strict.dtd\">\n"
    "<xdxf lang_from=\"ENG\" lang_to=\"RUS\" format=\"visual\">\n"
    "<full_name>Test &amp; Sample</full_name>\n"
    "<description>For tests</description>\n"
    "<abbreviations>\n"
    "  <abr_def><k>n.</k><k>noun</k><v>noun &lt;word&gt;</v></abr_def>\n"
    "</abbreviations>\n"
    "<ar><k>colo<opt>u</opt>r</k><k>hue</k>\n"
    "[<tr>ˈkʌlə</tr>] <abr>n.</abr> <abbr>zz.</abbr>\n"
    "цвет; see <kref>paint</kref>\n"
    "<ex>red &amp; <b>blue</b></ex> <co>rare</co> <c c=\"darkred\">x</c> <c>y</c>&nbsp;z\n"
    "<![CDATA[a <raw> & text]]>\n"
    "</ar>\n"
    "<ar><k>paint</k>\n"
    "<def><def>first</def><def>second</def></def>\n"
    "<rref>pic.png</rref> <iref href=\"http://example.org/?a=1&amp;b=2\">site</iref>\n"
    "</ar>\n"
    "<ar><k> </k>nothing</ar>\n"
    "<ar><k>bare</k>\n</ar>\n"
    "</xdxf>\n";

std::span<const std::uint8_t> span_of(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(XdxfReaderTest, ReadsTitleLanguagesAndAbbreviations) {
  RecordingSink sink;
  ImportError error;
  ASSERT_TRUE(read_xdxf_bytes(span_of(kVisual), nullptr, "t.xdxf", &sink, &error)) << error.message;
  EXPECT_EQ(sink.title, "Test & Sample");
  EXPECT_EQ(sink.from, "ENG");
  EXPECT_EQ(sink.to, "RUS");
  EXPECT_EQ(sink.abbreviations,
            (std::map<std::string, std::string>{{"n.", "noun <word>"}, {"noun", "noun <word>"}}));
}

TEST(XdxfReaderTest, VisualCardBecomesArticleMarkup) {
  RecordingSink sink;
  ImportError error;
  ASSERT_TRUE(read_xdxf_bytes(span_of(kVisual), nullptr, "t.xdxf", &sink, &error));
  ASSERT_EQ(sink.articles.size(), 2u);
  EXPECT_EQ(sink.articles[0].headwords, (std::vector<std::string>{"colour", "color", "hue"}));
  EXPECT_EQ(sink.articles[0].markup,
            "<div><b>colour, hue</b></div>"
            "<t>ˈkʌlə</t> <i><abr>n.</abr></i> <font color=\"green\"><i>zz.</i></font><br>"
            "цвет; see <a href=\"paint\">paint</a><br>"
            "<font color=\"#4a5a8a\">red &amp; <b>blue</b></font> "
            "<font color=\"#707070\">rare</font> <font color=\"darkred\">x</font> "
            "<font color=\"green\">y</font>&nbsp;z<br>"
            "a &lt;raw&gt; &amp; text");
  EXPECT_EQ(sink.skips_with("empty headword"), 1);
  EXPECT_EQ(sink.skips_with("headword without article"), 1);
}

TEST(XdxfReaderTest, DefinitionsNestAndMediaAndOutsideLinksWork) {
  const std::vector<std::uint8_t> zip = build_zip({{"pic.png", bytes_of("PNG"), false}});
  std::string message;
  auto media = MediaSource::from_zip_bytes(zip, &message);
  ASSERT_NE(media, nullptr);
  RecordingSink sink;
  ImportError error;
  ASSERT_TRUE(read_xdxf_bytes(span_of(kVisual), media.get(), "t.xdxf", &sink, &error));
  const RecordedArticle* paint = sink.find("paint");
  ASSERT_NE(paint, nullptr);
  EXPECT_EQ(paint->markup,
            "<div><div style=\"margin-left:1em\">first</div>"
            "<div style=\"margin-left:1em\">second</div></div><br>"
            "<img src=\"pic.png\"> <a href=\"http://example.org/?a=1&amp;b=2\">site</a>");
  EXPECT_EQ(sink.media["pic.png"], bytes_of("PNG"));
}

TEST(XdxfReaderTest, LogicalFormatTakesLineEndsAsBlanks) {
  const char xml[] =
      "<xdxf lang_from=\"DEU\" lang_to=\"ENG\" format=\"logical\"><meta_info>"
      "<title>Short</title><full_title>Long title</full_title></meta_info><lexicon>"
      "<ar><k>Haus</k>\n<def><gr><abbr>n</abbr></gr>\n<def><deftext>house,\nhome</deftext>"
      "</def></def></ar></lexicon></xdxf>";
  RecordingSink sink;
  ImportError error;
  ASSERT_TRUE(read_xdxf_bytes(span_of(xml), nullptr, "t.xdxf", &sink, &error));
  EXPECT_EQ(sink.title, "Long title");
  ASSERT_EQ(sink.articles.size(), 1u);
  EXPECT_EQ(sink.articles[0].markup,
            "<div><font color=\"green\"><font color=\"green\"><i>n</i></font></font> "
            "<div style=\"margin-left:1em\">house, home</div></div>");
}

TEST(XdxfReaderTest, EightBitEncodingsAreDecoded) {
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"windows-1251\"?>"
      "<xdxf><ar><k>\xE4\xEE\xEC</k> house</ar></xdxf>";
  RecordingSink sink;
  ImportError error;
  ASSERT_TRUE(read_xdxf_bytes(span_of(xml), nullptr, "t.xdxf", &sink, &error)) << error.message;
  ASSERT_EQ(sink.articles.size(), 1u);
  EXPECT_EQ(sink.articles[0].headwords[0], "дом");
}

TEST(XdxfReaderTest, MalformedXmlFailsWithTheLine) {
  const char xml[] = "<xdxf>\n<ar><k>a</k>text\n<b>bold</i></ar>\n</xdxf>";
  RecordingSink sink;
  ImportError error;
  EXPECT_FALSE(read_xdxf_bytes(span_of(xml), nullptr, "bad.xdxf", &sink, &error));
  EXPECT_EQ(error.file, "bad.xdxf");
  EXPECT_EQ(error.line, 3u);
  EXPECT_NE(error.message.find("XML error"), std::string::npos);
}

TEST(XdxfReaderTest, InternalEntitiesExpandAndNothingIsFetched) {
  const char xml[] =
      "<?xml version=\"1.0\"?><!DOCTYPE xdxf [<!ENTITY me \"my &amp; word\">"
      "<!ENTITY ext SYSTEM \"/etc/passwd\">]>"
      "<xdxf><ar><k>e</k>&me; &#x263A; &ext;</ar></xdxf>";
  RecordingSink sink;
  ImportError error;
  ASSERT_TRUE(read_xdxf_bytes(span_of(xml), nullptr, "t.xdxf", &sink, &error)) << error.message;
  ASSERT_EQ(sink.articles.size(), 1u);
  EXPECT_EQ(sink.articles[0].markup, "my &amp; word ☺");
}

TEST(XdxfReaderTest, CancelStopsTheReading) {
  std::string xml = "<xdxf>";
  for (int i = 0; i < 3000; ++i) xml += "<ar><k>w" + std::to_string(i) + "</k>t</ar>\n";
  xml += "</xdxf>";
  RecordingSink sink;
  sink.cancel_at_call = 1;
  ImportError error;
  EXPECT_FALSE(read_xdxf_bytes(span_of(xml), nullptr, "t.xdxf", &sink, &error));
  EXPECT_EQ(error.message, "import cancelled");
  EXPECT_EQ(sink.articles.size(), 1024u);
}

TEST(XdxfReaderTest, ReadsACompressedFileWithMediaBesideIt) {
  const fs::path dir = fs::temp_directory_path() / ("lexora_xdxf_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  gzFile f = gzopen((dir / "dict.xdxf.dz").c_str(), "wb");
  gzwrite(f, kVisual, sizeof kVisual - 1);
  gzclose(f);
  std::ofstream(dir / "pic.png", std::ios::binary) << "PNG";
  RecordingSink sink;
  ImportError error;
  EXPECT_TRUE(read_xdxf_dictionary((dir / "dict.xdxf.dz").string(), &sink, &error))
      << error.message;
  EXPECT_EQ(sink.articles.size(), 2u);
  EXPECT_EQ(sink.media["pic.png"], bytes_of("PNG"));
  EXPECT_FALSE(read_xdxf_dictionary((dir / "none.xdxf").string(), &sink, &error));
  EXPECT_EQ(error.file, (dir / "none.xdxf").string());
  fs::remove_all(dir);
}

}  // namespace
}  // namespace lexora::import
