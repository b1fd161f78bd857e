#include "import/dsl_text.h"

#include <gtest/gtest.h>

#include "platform/utf.h"

namespace lexora::import {
namespace {

std::vector<std::uint8_t> utf16(const std::string& utf8, bool big_endian, bool bom) {
  std::u16string text = utf8_to_utf16(utf8);
  if (bom) text.insert(text.begin(), u'\uFEFF');
  std::vector<std::uint8_t> out;
  for (char16_t u : text) {
    const std::uint8_t low = static_cast<std::uint8_t>(u), high = static_cast<std::uint8_t>(u >> 8);
    out.push_back(big_endian ? high : low);
    out.push_back(big_endian ? low : high);
  }
  return out;
}

std::vector<std::uint8_t> bytes(const std::string& s) {
  return {s.begin(), s.end()};
}

TEST(DslTextTest, DecodesEveryByteOrderAndEncoding) {
  const std::string text = "#NAME \"Тест\"\r\nдом 😀\r\n\tхата";
  EXPECT_EQ(decode_dsl_bytes(utf16(text, false, true)), text);
  EXPECT_EQ(decode_dsl_bytes(utf16(text, true, true)), text);
  EXPECT_EQ(decode_dsl_bytes(utf16(text, false, false)), text);
  EXPECT_EQ(decode_dsl_bytes(utf16(text, true, false)), text);
  EXPECT_EQ(decode_dsl_bytes(bytes("\xEF\xBB\xBF" + text)), text);
  EXPECT_EQ(decode_dsl_bytes(bytes(text)), text);
}

TEST(DslTextTest, EightBitTextUsesItsDeclaredCodePage) {
  // "дом" in Windows-1251, then in Windows-1252 without a declaration.
  EXPECT_EQ(decode_dsl_bytes(bytes("#SOURCE_CODE_PAGE \"Cyrillic\"\r\n\xE4\xEE\xEC\r\n")),
            "#SOURCE_CODE_PAGE \"Cyrillic\"\r\nдом\r\n");
  EXPECT_EQ(decode_dsl_bytes(bytes("caf\xE9\r\n")), "café\r\n");
}

TEST(DslTextTest, LoneSurrogatesBecomeReplacementCharacters) {
  const std::vector<std::uint8_t> lone = {0xFF, 0xFE, 'a', 0, 0x00, 0xD8, 'b', 0, 0x00, 0xDC};
  EXPECT_EQ(decode_dsl_bytes(lone),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
}

TEST(DslTextTest, LongTextKeepsEverySurrogatePairWherePiecesMeet) {
  // Pairs at every position around the points where a long source is cut
  // for conversion (every 65,536 units) survive whole.
  std::string text;
  for (int i = 0; i < 70000; ++i) text += "a\xF0\x9F\x98\x80";
  // Each lead shifts the pairs by one unit: one of them puts a pair across.
  for (const std::string lead : {"", "x", "xy"}) {
    EXPECT_EQ(decode_dsl_bytes(utf16(lead + text, false, true)), lead + text);
    EXPECT_EQ(decode_dsl_bytes(utf16(lead + text, true, true)), lead + text);
  }
}

TEST(DslTextTest, StripsCommentsAcrossLinesButNotEscapedOrUnclosedOnes) {
  std::string text = "a{{one}}b {{two\r\nlines}}c \\{{not}} d";
  strip_dsl_comments(&text);
  EXPECT_EQ(text, "ab c \\{{not}} d");
  text = "keep {{ unclosed\r\n\tbody";
  strip_dsl_comments(&text);
  EXPECT_EQ(text, "keep {{ unclosed\r\n\tbody");
}

TEST(DslTextTest, ParsesTags) {
  DslTag tag;
  ASSERT_TRUE(parse_dsl_tag("x[c darkred]y", 1, &tag));
  EXPECT_EQ(tag.name, "c");
  EXPECT_EQ(tag.attributes, "darkred");
  EXPECT_FALSE(tag.closing);
  EXPECT_EQ(tag.length, 11u);
  ASSERT_TRUE(parse_dsl_tag("[/m]", 0, &tag));
  EXPECT_TRUE(tag.closing);
  ASSERT_TRUE(parse_dsl_tag("[']", 0, &tag));
  EXPECT_EQ(tag.name, "'");
  EXPECT_FALSE(parse_dsl_tag("[not closed", 0, &tag));
  EXPECT_FALSE(parse_dsl_tag("[ b]", 0, &tag));
  EXPECT_FALSE(parse_dsl_tag("[]", 0, &tag));
}

TEST(DslTextTest, PlainTextResolvesEscapesTildeAndDropsTags) {
  EXPECT_EQ(dsl_plain_text("[i]see[/i] \\[~\\] \\\\ {x}", "go"), "see [go] \\ x");
}

TEST(DslTextTest, HeadwordUnsortedPartsAreShownButNotLookedUp) {
  const DslHeadword h = parse_dsl_headword("{to }go {smth.} away  ");
  EXPECT_EQ(h.display, "to go smth. away");
  ASSERT_EQ(h.keys.size(), 1u);
  EXPECT_EQ(h.keys[0], "go away");
}

TEST(DslTextTest, HeadwordOptionalPartsGiveEveryForm) {
  const DslHeadword h = parse_dsl_headword("colo(u)r(s)");
  EXPECT_EQ(h.display, "colo(u)r(s)");
  EXPECT_EQ(h.keys, (std::vector<std::string>{"colours", "colors", "colour", "color"}));
  const DslHeadword many = parse_dsl_headword("(a)(b)(c)(d)(e)x");
  EXPECT_EQ(many.keys.size(), 16u);  // the fifth part is always kept
  EXPECT_EQ(many.keys.front(), "abcdex");
  EXPECT_EQ(many.keys.back(), "ex");
}

TEST(DslTextTest, HeadwordEscapesAreLiteral) {
  const DslHeadword h = parse_dsl_headword("C\\+\\+ \\(lang\\) \\{x\\} a\\~b\\\\[']c[/']");
  EXPECT_EQ(h.display, "C++ (lang) {x} a~b\\c");
  EXPECT_EQ(h.keys, (std::vector<std::string>{"C++ (lang) {x} a~b\\c"}));
  EXPECT_TRUE(parse_dsl_headword("{only unsorted}").keys.empty());
  EXPECT_EQ(parse_dsl_headword("open( paren").keys[0], "open( paren");
}

}  // namespace
}  // namespace lexora::import
