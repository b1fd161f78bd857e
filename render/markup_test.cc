#include "render/markup.h"

#include <gtest/gtest.h>

#include <string>

namespace lexora {
namespace {

std::u16string convert(std::u16string_view article, bool auto_format = true) {
  std::u16string page;
  convert_markup(article, auto_format, &page);
  return page;
}

TEST(MarkupTest, ExplicitTagsLeaveTheirClosingTagsAsText) {
  EXPECT_EQ(convert(u"<t>wɜːd</t>"), u"[<font face=\"Lucida Sans Unicode\">wɜːd</font>]</t>");
  EXPECT_EQ(convert(u"<r>house</r>"), u"<a href=\"house\">house</a></r>");
  EXPECT_EQ(convert(u"<wav>cat.ogg</wav>"),
            u"<a href=\"!%cat.ogg\"><img border=\"1\" height=\"16\" width=\"16\" "
            u"src=\"@sound\"></a></wav>");
  EXPECT_EQ(convert(u"<abr>adj.</abr>"), u"<a href=\"!@adj.\">adj.</a></abr>");
}

TEST(MarkupTest, TagContentIsNotInterpreted) {
  EXPECT_EQ(convert(u"<r>a 1. _II b</r>"), u"<a href=\"a 1. _II b\">a 1. _II b</a></r>");
  EXPECT_EQ(convert(u"<t></t>"), u"[<font face=\"Lucida Sans Unicode\"></font>]</t>");
}

TEST(MarkupTest, UnclosedTagTakesTheRestOfTheArticle) {
  EXPECT_EQ(convert(u"x <r>house 1. y"), u"x <a href=\"house 1. y\">house 1. y</a>");
  // A closing tag cut short by the end of the article is no closing tag.
  EXPECT_EQ(convert(u"<t>ab</t"), u"[<font face=\"Lucida Sans Unicode\">ab</t</font>]");
}

TEST(MarkupTest, NearTagsAreCopiedUnchanged) {
  EXPECT_EQ(convert(u"<T>x"), u"<T>x");
  EXPECT_EQ(convert(u"< t>x"), u"< t>x");
  EXPECT_EQ(convert(u"<t x>y"), u"<t x>y");
  EXPECT_EQ(convert(u"<"), u"<");
}

TEST(MarkupTest, ClosingTagGreaterThanTriggersTheNextRule) {
  // The '>' of "</r>" is a separator and is dropped by the item it starts.
  EXPECT_EQ(convert(u"<r>a</r>1> x"),
            u"<a href=\"a\">a</a></r<br><font color=\"Green\"><b>1)</b></font> x");
}

TEST(MarkupTest, RomanSections) {
  EXPECT_EQ(convert(u"_II text"), u"<br><font color=\"Red\"><b>II</b></font> text");
  EXPECT_EQ(convert(u"a _XIV<b>"), u"a<br><font color=\"Red\"><b>XIV</b></font><b>");
  EXPECT_EQ(convert(u"a _V b"), u"a<br><font color=\"Red\"><b>V</b></font> b");
  // Four letters are no section; the abbreviation rule takes them.
  EXPECT_EQ(convert(u"a _IIII. b"), u"a <a href=\"!@_IIII.\">IIII.</a> b");
  // Nothing after the letters: no section.
  EXPECT_EQ(convert(u"a _II"), u"a _II");
}

TEST(MarkupTest, FullStopItemsFollowTheSequence) {
  EXPECT_EQ(convert(u"x 1. one 2. two 4. four"),
            u"x<br><font color=\"Maroon\"><b>1.</b></font> one"
            u"<br><font color=\"Maroon\"><b>2.</b></font> two 4. four");
  EXPECT_EQ(convert(u"x 1. a 2. b 1. c 2. d"),
            u"x<br><font color=\"Maroon\"><b>1.</b></font> a"
            u"<br><font color=\"Maroon\"><b>2.</b></font> b"
            u"<br><font color=\"Maroon\"><b>1.</b></font> c"
            u"<br><font color=\"Maroon\"><b>2.</b></font> d");
  EXPECT_EQ(convert(u"x 9. a 10. b"), u"x 9. a 10. b");
}

TEST(MarkupTest, TwoDigitFullStopItems) {
  std::u16string article = u"x";
  std::u16string expected = u"x";
  for (int k = 1; k <= 11; ++k) {
    std::u16string number;
    if (k >= 10) number.push_back(static_cast<char16_t>(u'0' + k / 10));
    number.push_back(static_cast<char16_t>(u'0' + k % 10));
    article += u" " + number + u". w";
    expected += u"<br><font color=\"Maroon\"><b>" + number + u".</b></font> w";
  }
  EXPECT_EQ(convert(article), expected);
}

TEST(MarkupTest, ItemAtTheStartOfTheArticle) {
  EXPECT_EQ(convert(u"1. one"), u"<br><font color=\"Maroon\"><b>1.</b></font> one");
  // Position 0 is never a trigger, so a leading blank keeps the item as text.
  EXPECT_EQ(convert(u" 1. one"), u" 1. one");
  // The second of two blanks is the trigger.
  EXPECT_EQ(convert(u"a  1. one"), u"a <br><font color=\"Maroon\"><b>1.</b></font> one");
}

TEST(MarkupTest, BracketItems) {
  EXPECT_EQ(convert(u"a 3) x"), u"a 3) x");
  EXPECT_EQ(convert(u"a 3> x"), u"a<br><font color=\"Green\"><b>3)</b></font> x");
  EXPECT_EQ(convert(u"a(12> x"), u"a<br><font color=\"Green\"><b>12)</b></font> x");
  // Bracket items ignore the full-stop sequence.
  EXPECT_EQ(convert(u"a 7>x"), u"a<br><font color=\"Green\"><b>7)</b></font>x");
}

TEST(MarkupTest, LetteredItems) {
  EXPECT_EQ(convert(u"a б> word"), u"a<font color=\"Teal\"><b> б)&nbsp;</b></font>word");
  EXPECT_EQ(convert(u"a й> word"), u"a й> word");
  EXPECT_EQ(convert(u"a ъ> word"), u"a ъ> word");
  EXPECT_EQ(convert(u"a щ> word"), u"a<font color=\"Teal\"><b> щ)&nbsp;</b></font>word");
  // At the very end there is no character to give way.
  EXPECT_EQ(convert(u"a а>"), u"a<font color=\"Teal\"><b> а)&nbsp;</b></font>");
}

TEST(MarkupTest, UnderscoreAbbreviations) {
  EXPECT_EQ(convert(u"a _англ. word"), u"a <a href=\"!@_англ.\">англ.</a> word");
  EXPECT_EQ(convert(u"_n: x"), u"<a href=\"!@_n:\">n:</a> x");
  EXPECT_EQ(convert(u"a _.x"), u"a _.x");
  // The abbreviation may hold blanks; only '.' and ':' end it.
  EXPECT_EQ(convert(u"a _of sb. x"), u"a <a href=\"!@_of sb.\">of sb.</a> x");
}

TEST(MarkupTest, UnderscoreWithNoEndStaysText) {
  EXPECT_EQ(convert(u"a _word and more"), u"a _word and more");
  // Many such underscores: each stays text, and a later '.' still ends the
  // abbreviation that stands before it.
  EXPECT_EQ(convert(u"a _x _y _z."), u"a <a href=\"!@_x _y _z.\">x _y _z.</a>");
  EXPECT_EQ(convert(u"a _x. _y"), u"a <a href=\"!@_x.\">x.</a> _y");
}

TEST(MarkupTest, ItemsAfterAnUnderscoreSkipTheSequence) {
  EXPECT_EQ(convert(u"a _5. x 2. y"), u"a<br><font color=\"Maroon\"><b>5.</b></font> x 2. y");
  EXPECT_EQ(convert(u"a _в> x"), u"a<font color=\"Teal\"><b> в)&nbsp;</b></font>x");
  EXPECT_EQ(convert(u"a 1. x _7. y 2. z"),
            u"a<br><font color=\"Maroon\"><b>1.</b></font> x"
            u"<br><font color=\"Maroon\"><b>7.</b></font> y"
            u"<br><font color=\"Maroon\"><b>2.</b></font> z");
}

TEST(MarkupTest, HtmlTagEndIsATrigger) {
  EXPECT_EQ(convert(u"<b>1. x"), u"<b<br><font color=\"Maroon\"><b>1.</b></font> x");
}

TEST(MarkupTest, LookAheadStopsAtTheEnd) {
  EXPECT_EQ(convert(u"a 1."), u"a 1.");
  EXPECT_EQ(convert(u"a 12."), u"a 12.");
  EXPECT_EQ(convert(u"a 1"), u"a 1");
  EXPECT_EQ(convert(u"a _"), u"a _");
  EXPECT_EQ(convert(u"a _I"), u"a _I");
  EXPECT_EQ(convert(u" "), u" ");
  EXPECT_EQ(convert(u""), u"");
}

TEST(MarkupTest, NoAutoFormatConvertsOnlyTags) {
  const std::u16string article = u"_II x 1. y 3> z б> w _abbr. <r>k</r>";
  EXPECT_EQ(convert(article, false), u"_II x 1. y 3> z б> w _abbr. <a href=\"k\">k</a></r>");
}

TEST(MarkupTest, AppendsToThePageAndReservesOnce) {
  std::u16string page = u"<p>";
  convert_markup(u"plain text", true, &page);
  EXPECT_EQ(page, u"<p>plain text");
  EXPECT_GE(page.capacity(), 3u + 2 * 10 + 2);
}

TEST(FormatNumberedItemTest, ReportsWhereTheWalkContinues) {
  std::u16string page = u"x";
  int sequence = 1;
  std::ptrdiff_t pos = 1;
  EXPECT_TRUE(format_numbered_item(u"a 1. b", &pos, &page, &sequence));
  EXPECT_EQ(pos, 4);
  EXPECT_EQ(sequence, 2);
  EXPECT_EQ(page, u"x<br><font color=\"Maroon\"><b>1.</b></font>");

  // Out of sequence: nothing changes.
  pos = 1;
  EXPECT_FALSE(format_numbered_item(u"a 3. b", &pos, &page, &sequence));
  EXPECT_EQ(pos, 1);
  EXPECT_EQ(sequence, 2);
  EXPECT_EQ(page, u"x<br><font color=\"Maroon\"><b>1.</b></font>");

  // From the start of the text and without a sequence.
  page.clear();
  pos = -1;
  EXPECT_TRUE(format_numbered_item(u"12> b", &pos, &page, nullptr));
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(page, u"<br><font color=\"Green\"><b>12)</b></font>");
}

}  // namespace
}  // namespace lexora
