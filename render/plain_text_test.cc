#include "render/plain_text.h"

#include <gtest/gtest.h>

namespace lexora {
namespace {

std::u16string plain(std::u16string_view article, bool auto_format = true) {
  return article_to_plain_text(article, auto_format);
}

TEST(PlainTextTest, TranscriptionKeepsItsBracketsAndEntitiesBecomeCharacters) {
  EXPECT_EQ(plain(u"<t>ha&#650;s</t> дом"), u"[haʊs] дом");
  EXPECT_EQ(plain(u"<t>&#x14B;</t>"), u"[ŋ]");
  EXPECT_EQ(plain(u"a &amp; b &lt;c&gt; &quot;d&quot; &bogus; &#0; &#1114112;"),
            u"a & b <c> \"d\" &bogus; \uFFFD \uFFFD");
  EXPECT_EQ(plain(u"&#128512;"), u"\U0001F600");
}

TEST(PlainTextTest, WordLinksGoInBracesAndOtherLinksKeepTheirText) {
  EXPECT_EQ(plain(u"see <r>house</r>"), u"see {house}");
  EXPECT_EQ(plain(u"<a href=\"home\">Home</a> <a href='http://x.org'>site</a>"), u"{Home} site");
  EXPECT_EQ(plain(u"<r>pics\\cat.png</r>"), u"pics\\cat.png");
  EXPECT_EQ(plain(u"say <wav>cat.ogg</wav>it"), u"say it");
}

TEST(PlainTextTest, AbbreviationsAreReadableText) {
  EXPECT_EQ(plain(u"a _англ. word"), u"a англ. word");
  EXPECT_EQ(plain(u"<abr>adj.</abr> big"), u"adj. big");
}

TEST(PlainTextTest, AutoFormattedItemsStartLines) {
  EXPECT_EQ(plain(u"x 1. one 2. two 4. four"), u"x\n1. one\n2. two 4. four");
  EXPECT_EQ(plain(u"_I noun _II verb"), u"I noun\nII verb");
  EXPECT_EQ(plain(u"a 3> x"), u"a\n3) x");
  EXPECT_EQ(plain(u"a б> word"), u"a б) word");
  EXPECT_EQ(plain(u"x 1. one", false), u"x 1. one");
}

TEST(PlainTextTest, HtmlBlocksBreakLinesAndWhiteSpaceCollapses) {
  EXPECT_EQ(html_to_plain_text(u"<p>one</p>\n\n  <p>two<br>three</p>"), u"one\n\ntwo\nthree");
  EXPECT_EQ(html_to_plain_text(u"a<br><br><br><br>b"), u"a\n\nb");
  EXPECT_EQ(html_to_plain_text(u"<ul><li>x</li><li>y</li></ul>"), u"x\ny");
  EXPECT_EQ(html_to_plain_text(u"a <!-- hidden --> b<style>p{}</style><script>x<y</script>"),
            u"a b");
  EXPECT_EQ(html_to_plain_text(u"<img src=\"a.png\" alt=\"x>y\">pic"), u"pic");
}

TEST(PlainTextTest, TextThatIsNotHtmlComesOutAsText) {
  EXPECT_EQ(html_to_plain_text(u"a < b and 3<4 <"), u"a < b and 3<4 <");
  EXPECT_EQ(html_to_plain_text(u"<b unclosed"), u"<b unclosed");
  EXPECT_EQ(html_to_plain_text(u"</a></a> x"), u"x");
  EXPECT_EQ(html_to_plain_text(u""), u"");
}

TEST(PlainTextTest, WrappingBreaksAtBlanksAndCutsLongWords) {
  EXPECT_EQ(wrap_plain_text(u"aaa bbb ccc", 7), u"aaa bbb\nccc");
  EXPECT_EQ(wrap_plain_text(u"abcdefghij", 4), u"abcd\nefgh\nij");
  EXPECT_EQ(wrap_plain_text(u"aa bb\n\ncc", 10, u"  "), u"  aa bb\n\n  cc");
  EXPECT_EQ(wrap_plain_text(u"aa bb cc", 6, u"  "), u"  aa\n  bb\n  cc");
  EXPECT_EQ(wrap_plain_text(u"a\U0001F600", 2), u"a\n\U0001F600");
  EXPECT_EQ(wrap_plain_text(u"", 10), u"");
}

}  // namespace
}  // namespace lexora
