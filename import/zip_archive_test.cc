#include "import/zip_archive.h"

#include <gtest/gtest.h>

#include "import/zip_writer_for_test.h"

namespace lexora::import {
namespace {

std::vector<std::uint8_t> repeated(const std::string& text, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += text;
  return bytes_of(s);
}

std::vector<std::uint8_t> sample_zip() {
  return build_zip({{"sounds/cat.wav", repeated("meow ", 200), true},
                    {"Pictures/Dog.PNG", bytes_of("\x89PNG stored bytes"), false},
                    {"pictures/", {}, false},
                    {"empty.txt", {}, true}});
}

TEST(ZipArchiveTest, ExtractsStoredAndDeflatedEntries) {
  const std::vector<std::uint8_t> zip = sample_zip();
  std::string error;
  auto archive = ZipArchive::open(zip, &error);
  ASSERT_NE(archive, nullptr) << error;
  EXPECT_EQ(archive->entry_count(), 3u);  // the folder entry is left out
  std::vector<std::uint8_t> out;
  ASSERT_TRUE(archive->extract(*archive->find("sounds/cat.wav"), &out, &error)) << error;
  EXPECT_EQ(out, repeated("meow ", 200));
  EXPECT_LT(archive->entry(*archive->find("sounds/cat.wav")).compressed_size, 200u);
  ASSERT_TRUE(archive->extract(*archive->find("Pictures/Dog.PNG"), &out, &error)) << error;
  EXPECT_EQ(out, bytes_of("\x89PNG stored bytes"));
  ASSERT_TRUE(archive->extract(*archive->find("empty.txt"), &out, &error)) << error;
  EXPECT_TRUE(out.empty());
}

TEST(ZipArchiveTest, FindsNamesWithOtherCaseSeparatorOrWithoutTheirFolder) {
  const std::vector<std::uint8_t> zip = sample_zip();
  std::string error;
  auto archive = ZipArchive::open(zip, &error);
  ASSERT_NE(archive, nullptr);
  const auto dog = archive->find("Pictures/Dog.PNG");
  ASSERT_TRUE(dog.has_value());
  EXPECT_EQ(archive->find("pictures\\dog.png"), dog);
  EXPECT_EQ(archive->find("DOG.png"), dog);
  EXPECT_EQ(archive->find("cat.wav"), archive->find("sounds/cat.wav"));
  EXPECT_FALSE(archive->find("bird.wav").has_value());
}

TEST(ZipArchiveTest, AmbiguousFileNameWithoutFolderFindsNothing) {
  const std::vector<std::uint8_t> zip =
      build_zip({{"a/x.wav", bytes_of("1"), false}, {"b/x.wav", bytes_of("2"), false}});
  std::string error;
  auto archive = ZipArchive::open(zip, &error);
  ASSERT_NE(archive, nullptr);
  EXPECT_FALSE(archive->find("x.wav").has_value());
  EXPECT_TRUE(archive->find("b/x.wav").has_value());
}

TEST(ZipArchiveTest, FindsTheEndRecordBehindAnArchiveComment) {
  std::vector<std::uint8_t> zip = sample_zip();
  const std::string comment = "made for a test, with PK\x05\x06 inside";
  zip[zip.size() - 2] = static_cast<std::uint8_t>(comment.size());
  zip.insert(zip.end(), comment.begin(), comment.end());
  std::string error;
  auto archive = ZipArchive::open(zip, &error);
  ASSERT_NE(archive, nullptr) << error;
  EXPECT_EQ(archive->entry_count(), 3u);
}

TEST(ZipArchiveTest, RefusesDamagedDirectories) {
  const std::vector<std::uint8_t> good = sample_zip();
  const std::size_t end = good.size() - 22;
  std::string error;

  std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
  EXPECT_EQ(ZipArchive::open(cut, &error), nullptr);

  std::vector<std::uint8_t> far_directory = good;  // directory offset past the end
  far_directory[end + 16] = 0xF0;
  far_directory[end + 19] = 0x7F;
  EXPECT_EQ(ZipArchive::open(far_directory, &error), nullptr);

  std::vector<std::uint8_t> many_entries = good;  // more entries than the directory holds
  many_entries[end + 8] = many_entries[end + 10] = 0xF0;
  many_entries[end + 9] = many_entries[end + 11] = 0x0F;
  EXPECT_EQ(ZipArchive::open(many_entries, &error), nullptr);
  EXPECT_NE(error.find("entry count"), std::string::npos);

  EXPECT_EQ(ZipArchive::open(bytes_of("plain text, no archive at all"), &error), nullptr);
}

// The central record's fields, by offset from its signature.
constexpr std::size_t kRecordCrc = 16, kRecordSize = 24;

TEST(ZipArchiveTest, RefusesEntriesWhoseBytesDoNotMatch) {
  const std::vector<std::uint8_t> good = build_zip({{"a.txt", repeated("abc", 100), true}});
  std::string error;
  const std::size_t record = good.size() - 22 - (46 + 5);

  std::vector<std::uint8_t> bad_crc = good;
  bad_crc[record + kRecordCrc] ^= 0xFF;
  auto archive = ZipArchive::open(bad_crc, &error);
  ASSERT_NE(archive, nullptr);
  std::vector<std::uint8_t> out;
  EXPECT_FALSE(archive->extract(0, &out, &error));
  EXPECT_NE(error.find("CRC"), std::string::npos);

  std::vector<std::uint8_t> huge = good;  // a stated size deflate cannot reach
  huge[record + kRecordSize + 3] = 0x7F;
  archive = ZipArchive::open(huge, &error);
  ASSERT_NE(archive, nullptr);
  EXPECT_FALSE(archive->extract(0, &out, &error));
  EXPECT_NE(error.find("too large"), std::string::npos);

  std::vector<std::uint8_t> longer = good;  // says one byte more than the data holds
  longer[record + kRecordSize] += 1;
  archive = ZipArchive::open(longer, &error);
  ASSERT_NE(archive, nullptr);
  EXPECT_FALSE(archive->extract(0, &out, &error));
}

}  // namespace
}  // namespace lexora::import
