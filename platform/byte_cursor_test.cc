#include "platform/byte_cursor.h"

#include <gtest/gtest.h>

namespace lexora {
namespace {

TEST(ByteCursorTest, ReadsLittleEndianValues) {
  const std::uint8_t bytes[] = {0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF};
  ByteCursor cursor(bytes, sizeof bytes);
  std::uint16_t u16 = 0;
  std::uint32_t u32 = 0;
  std::int16_t i16 = 0;
  ASSERT_TRUE(cursor.read_u16(&u16));
  ASSERT_TRUE(cursor.read_u32(&u32));
  ASSERT_TRUE(cursor.read_i16(&i16));
  EXPECT_EQ(u16, 0x1234);
  EXPECT_EQ(u32, 0x12345678u);
  EXPECT_EQ(i16, -2);
  EXPECT_TRUE(cursor.at_end());
}

TEST(ByteCursorTest, ShortReadFailsAndLeavesPosition) {
  const std::uint8_t bytes[] = {1, 2, 3};
  ByteCursor cursor(bytes, sizeof bytes);
  ASSERT_TRUE(cursor.skip(1));
  std::uint32_t u32 = 7;
  EXPECT_FALSE(cursor.read_u32(&u32));
  EXPECT_EQ(u32, 7u);
  EXPECT_EQ(cursor.position(), 1u);
  std::span<const std::uint8_t> view;
  EXPECT_FALSE(cursor.read_bytes(3, &view));
  EXPECT_TRUE(cursor.read_bytes(2, &view));
  EXPECT_EQ(view[1], 3);
  EXPECT_FALSE(cursor.seek(4));
  EXPECT_TRUE(cursor.seek(3));
  EXPECT_FALSE(cursor.skip(1));
}

TEST(ByteCursorTest, StringsNeedTheirTerminator) {
  const std::uint8_t bytes[] = {'a', 'b', 0, 'c'};
  ByteCursor cursor(bytes, sizeof bytes);
  std::string_view s;
  ASSERT_TRUE(cursor.read_cstring(&s));
  EXPECT_EQ(s, "ab");
  EXPECT_FALSE(cursor.read_cstring(&s));
  EXPECT_EQ(cursor.position(), 3u);

  const std::uint8_t wide[] = {'x', 0, 'y', 0, 0, 0, 'z', 0};
  ByteCursor wcursor(wide, sizeof wide);
  std::span<const std::uint8_t> name;
  std::size_t units = 0;
  ASSERT_TRUE(wcursor.read_u16string_le(&name, &units));
  EXPECT_EQ(units, 2u);
  EXPECT_FALSE(wcursor.read_u16string_le(&name, &units));
}

TEST(ByteWriterTest, WritesWhatTheCursorReads) {
  std::vector<std::uint8_t> out;
  ByteWriter writer(&out);
  writer.put_u16(0xBEEF);
  const std::size_t at = writer.position();
  writer.put_u32(0);
  writer.put_u32_be(0x01020304);
  writer.patch_u32(at, 0xCAFEBABE);
  ByteCursor cursor(out);
  std::uint16_t u16;
  std::uint32_t a, b;
  ASSERT_TRUE(cursor.read_u16(&u16));
  ASSERT_TRUE(cursor.read_u32(&a));
  ASSERT_TRUE(cursor.read_u32_be(&b));
  EXPECT_EQ(u16, 0xBEEF);
  EXPECT_EQ(a, 0xCAFEBABEu);
  EXPECT_EQ(b, 0x01020304u);
}

}  // namespace
}  // namespace lexora
