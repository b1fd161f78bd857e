#include "model/colour_profile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/test_files.h"

namespace lexora {
namespace {

// A profile whose colour entry k is 0x00BBGGRR with every byte k + 1 + offset.
std::vector<std::uint8_t> make_profile(std::uint8_t offset = 0) {
  std::vector<std::uint8_t> bytes;
  for (char c : kColourProfileMagic) bytes.push_back(static_cast<std::uint8_t>(c));
  for (std::uint8_t b : {0xDE, 0xAD, 0xBE, 0xEF}) bytes.push_back(b);
  for (std::size_t k = 0; k < kColourCount; ++k) {
    const auto v = static_cast<std::uint8_t>(k + 1 + offset);
    for (std::uint8_t b : {v, v, v, std::uint8_t{0}}) bytes.push_back(b);
  }
  for (char c : {'t', 'a', 'i', 'l'}) bytes.push_back(static_cast<std::uint8_t>(c));
  return bytes;
}

TEST(ColourProfileTest, ReadsTheColourBlock) {
  test::TempDir dir;
  const std::string path = dir.file("Profile.lup");
  test::write_file(path, make_profile());
  ColourTable table;
  EXPECT_EQ(load_colour_profile(path, &table), kProfileRead);
  EXPECT_EQ(table.at(0), 0x010101u);
  EXPECT_EQ(table.at(1), 0x020202u);
  EXPECT_EQ(table.at(14), 0x0F0F0Fu);
  // The file sets colours but is not the reader's message.
  EXPECT_FALSE(table.reader_colours_received());
}

TEST(ColourProfileTest, MissingFileLeavesTheTable) {
  test::TempDir dir;
  ColourTable table;
  EXPECT_EQ(load_colour_profile(dir.file("Profile.lup"), &table), kProfileCannotOpen);
  EXPECT_EQ(table.entries(), builtin_colours());
}

TEST(ColourProfileTest, WrongMagicLeavesTheTable) {
  test::TempDir dir;
  const std::string path = dir.file("Profile.lup");
  auto bytes = make_profile();
  bytes[7] = '2';
  test::write_file(path, bytes);
  ColourTable table;
  EXPECT_EQ(load_colour_profile(path, &table), kProfileWrongMagic);
  EXPECT_EQ(table.entries(), builtin_colours());

  test::write_file(path, std::string("LuRP"));
  EXPECT_EQ(load_colour_profile(path, &table), kProfileWrongMagic);
  test::write_file(path, std::string());
  EXPECT_EQ(load_colour_profile(path, &table), kProfileWrongMagic);
  EXPECT_EQ(table.entries(), builtin_colours());
}

TEST(ColourProfileTest, FileEndingInsideTheBlockLeavesTheTableWhole) {
  test::TempDir dir;
  const std::string path = dir.file("Profile.lup");
  ColourTable table;
  // First a valid profile, so "unchanged" means its colours, not the built-in ones.
  test::write_file(path, make_profile(100));
  ASSERT_EQ(load_colour_profile(path, &table), kProfileRead);
  const ColourEntries before = table.entries();

  for (std::size_t size : {std::size_t{8}, std::size_t{11}, std::size_t{12}, std::size_t{14},
                           std::size_t{40}, kColourProfileSize - 1}) {
    test::write_file(path, make_profile());
    test::truncate_file(path, size);
    EXPECT_EQ(load_colour_profile(path, &table), kProfileTruncated) << "size " << size;
    EXPECT_EQ(table.entries(), before) << "size " << size;
  }
  test::write_file(path, make_profile());
  test::truncate_file(path, kColourProfileSize);
  EXPECT_EQ(load_colour_profile(path, &table), kProfileRead);
  EXPECT_EQ(table.at(14), 0x0F0F0Fu);
}

TEST(ColourProfileTest, ReloadOverReaderColours) {
  ColourTable table;
  std::vector<std::uint8_t> message(60, 0x33);
  ASSERT_TRUE(handle_reader_colours(&table, true, kReaderColoursData, message));
  EXPECT_EQ(apply_colour_profile(make_profile(), &table), kProfileRead);
  EXPECT_EQ(table.at(0), 0x010101u);
  // The last writer wins; the received flag is the Font page's business.
  EXPECT_TRUE(table.reader_colours_received());
}

}  // namespace
}  // namespace lexora
