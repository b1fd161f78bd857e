#include "platform/utf.h"

#include <gtest/gtest.h>

namespace lexora {
namespace {

TEST(UtfTest, RoundTripsOutsideTheBasicPlane) {
  const std::string text = "Ошибка \xF0\x9F\x93\x96 ok";
  const std::u16string wide = utf8_to_utf16(text);
  EXPECT_EQ(wide.size(), 12u);  // the book emoji is a surrogate pair
  EXPECT_EQ(utf16_to_utf8(wide), text);
}

TEST(UtfTest, IllFormedInputBecomesReplacementCharacters) {
  EXPECT_EQ(utf8_to_utf16("a\xFF"
                          "b"),
            u"a\uFFFDb");
  const char16_t lone[] = {u'x', 0xD800, u'y'};
  EXPECT_EQ(utf16_to_utf8(std::u16string_view(lone, 3)), "x\xEF\xBF\xBDy");
}

}  // namespace
}  // namespace lexora
