#include "model/integer_field.h"

#include <gtest/gtest.h>

#include <string>

namespace lexora {
namespace {

TEST(IntegerFieldTest, ReadsDecimalOctalAndHexadecimalAsPercentI) {
  EXPECT_EQ(read_integer_field("12"), 12);
  EXPECT_EQ(read_integer_field("010"), 8);
  EXPECT_EQ(read_integer_field("0x10"), 16);
  EXPECT_EQ(read_integer_field("0X1f"), 31);
  EXPECT_EQ(read_integer_field("  -7"), -7);
  EXPECT_EQ(read_integer_field("+5"), 5);
}

TEST(IntegerFieldTest, StopsAtTheFirstCharacterThatDoesNotBelong) {
  // A leading zero means octal, so 8 and 9 end the number at once.
  EXPECT_EQ(read_integer_field("08"), 0);
  EXPECT_EQ(read_integer_field("09"), 0);
  EXPECT_EQ(read_integer_field("12ab"), 12);
}

TEST(IntegerFieldTest, TextWithoutADigitIsNoNumber) {
  EXPECT_EQ(read_integer_field(""), std::nullopt);
  EXPECT_EQ(read_integer_field("   "), std::nullopt);
  EXPECT_EQ(read_integer_field("abc"), std::nullopt);
  EXPECT_EQ(read_integer_field("-"), std::nullopt);
}

TEST(IntegerFieldTest, HugeValuesSaturateAndOnlyTheBufferIsRead) {
  EXPECT_EQ(read_integer_field("99999999999"), 2147483647);
  EXPECT_EQ(read_integer_field("-99999999999"), -2147483647 - 1);
  // The 50th character is past the field's buffer.
  const std::string long_text = std::string(48, ' ') + "75";
  EXPECT_EQ(read_integer_field(long_text), 7);
}

}  // namespace
}  // namespace lexora
