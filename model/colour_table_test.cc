#include "model/colour_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace lexora {
namespace {

std::vector<std::uint8_t> colour_block(std::uint8_t first_byte, std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t k = 0; k < size; ++k) bytes[k] = static_cast<std::uint8_t>(first_byte + k);
  return bytes;
}

TEST(ColourTableTest, StartsWithTheBuiltInColours) {
  ColourTable table;
  EXPECT_EQ(table.text(), 0xBBFFC5u);  // light green: red C5, green FF, blue BB
  EXPECT_EQ(table.background(), 0x000000u);
  EXPECT_EQ(table.heading(), 0xE8D0F0u);
  EXPECT_EQ(table.link(), 0xFF8080u);
  EXPECT_EQ(table.at(2), 0x101000u);
  EXPECT_EQ(table.at(10), 0x8000FFu);
  EXPECT_EQ(table.at(14), 0xFFFF00u);
  EXPECT_FALSE(table.reader_colours_received());
}

TEST(ColourTableTest, ColoursInEffectRule) {
  ColourTable table;
  EXPECT_FALSE(colours_in_effect(table, false, true));
  EXPECT_TRUE(colours_in_effect(table, true, false));
  table.set_reader_colours_received(true);
  EXPECT_TRUE(colours_in_effect(table, false, true));
  EXPECT_FALSE(colours_in_effect(table, false, false));
}

TEST(ColourTableTest, ReaderMessageTakesTheFirstSixtyBytes) {
  ColourTable table;
  const auto bytes = colour_block(1, 64);
  EXPECT_TRUE(handle_reader_colours(&table, true, kReaderColoursData, bytes));
  EXPECT_TRUE(table.reader_colours_received());
  EXPECT_EQ(table.at(0), 0x04030201u);
  EXPECT_EQ(table.at(14), 0x3C3B3A39u);
  EXPECT_EQ(table.revision(), 1u);
}

TEST(ColourTableTest, ReaderMessageIgnoredWhenReaderColoursAreOff) {
  ColourTable table;
  EXPECT_TRUE(handle_reader_colours(&table, false, kReaderColoursData, colour_block(1, 60)));
  EXPECT_EQ(table.entries(), builtin_colours());
  EXPECT_FALSE(table.reader_colours_received());
}

TEST(ColourTableTest, MalformedReaderMessageIsRefused) {
  ColourTable table;
  EXPECT_FALSE(handle_reader_colours(&table, true, 2, colour_block(1, 60)));
  EXPECT_FALSE(handle_reader_colours(&table, true, kReaderColoursData, colour_block(1, 59)));
  EXPECT_FALSE(handle_reader_colours(&table, true, kReaderColoursData, {}));
  EXPECT_EQ(table.entries(), builtin_colours());
  EXPECT_FALSE(table.reader_colours_received());
  EXPECT_EQ(table.revision(), 0u);
}

TEST(ColourTableTest, WhiteIgnoresTheTopByte) {
  EXPECT_TRUE(is_white(0x00FFFFFFu));
  EXPECT_TRUE(is_white(0x01FFFFFFu));
  EXPECT_FALSE(is_white(0x00FFFFFEu));
}

}  // namespace
}  // namespace lexora
