#include "import/markup_pieces.h"

#include <gtest/gtest.h>

namespace lexora::import {
namespace {

TEST(MarkupPiecesTest, EscapesTextAndAttributes) {
  std::string out;
  append_escaped("a<b>&\"c\"", &out);
  EXPECT_EQ(out, "a&lt;b&gt;&amp;\"c\"");
  out.clear();
  append_html_attribute("say \"<hi>\"", &out);
  EXPECT_EQ(out, "say &quot;&lt;hi&gt;&quot;");
}

// Plain runs are skipped sixteen or eight bytes at a time: a character to
// escape at any place of a run, and two in one run, must still be found.
TEST(MarkupPiecesTest, EscapesCharactersAtEveryPlaceOfALongText) {
  constexpr std::size_t kLength = 45;
  for (const char c : {'&', '<', '>'}) {
    const std::string entity = c == '&' ? "&amp;" : c == '<' ? "&lt;" : "&gt;";
    for (std::size_t at = 0; at < kLength; ++at) {
      std::string text(kLength, 'x');
      text[at] = c;
      std::string out;
      append_escaped(text, &out);
      EXPECT_EQ(out, std::string(at, 'x') + entity + std::string(kLength - 1 - at, 'x')) << at;
      text[kLength - 1 - at] = c;
      out.clear();
      append_escaped(text, &out);
      std::string expected;
      for (const char t : text) expected += t == c ? entity : std::string(1, t);
      EXPECT_EQ(out, expected) << at;
    }
  }
}

TEST(MarkupPiecesTest, LinksEscapeTheirTargetsAndJoinItsLines) {
  std::string out;
  append_word_link(" red\n   \"house\" & <co> ", "<b>red</b>", &out);
  EXPECT_EQ(out, "<a href=\"red &quot;house&quot; &amp; &lt;co&gt;\"><b>red</b></a>");
  out.clear();
  append_headword_link("a \"b\"", "x<y", &out);
  EXPECT_EQ(out, "<a href=\"a &quot;b&quot;\">x&lt;y</a>");
}

TEST(MarkupPiecesTest, KeepsOnlyPlainColourNamesAndHexColours) {
  EXPECT_EQ(safe_colour("darkred", "green"), "darkred");
  EXPECT_EQ(safe_colour(" #A0b ", "green"), "#A0b");
  EXPECT_EQ(safe_colour("#12345", "green"), "green");
  EXPECT_EQ(safe_colour("red\" onclick=\"x", "green"), "green");
  EXPECT_EQ(safe_colour("", "green"), "green");
}

TEST(MarkupPiecesTest, MediaMarkupFollowsTheExtension) {
  std::string out;
  append_media_markup("img/Cat.JPEG", &out);
  EXPECT_EQ(out, "<img src=\"img/Cat.JPEG\">");
  out.clear();
  append_media_markup("meow.ogg", &out);
  EXPECT_EQ(out, "<wav>meow.ogg</wav>");
  out.clear();
  append_media_markup("a&b.mp3", &out);
  EXPECT_EQ(out, "<a href=\"file://a&amp;b.mp3\">a&amp;b.mp3</a>");
  EXPECT_EQ(media_kind_of("archive.tar.gz"), MediaKind::kOtherFile);
  EXPECT_EQ(media_kind_of("noextension."), MediaKind::kOtherFile);
}

TEST(MarkupPiecesTest, CollapsesBlanks) {
  EXPECT_EQ(collapse_blanks("  a \t b\r\n c  "), "a b c");
  EXPECT_EQ(collapse_blanks(" \t "), "");
}

}  // namespace
}  // namespace lexora::import
