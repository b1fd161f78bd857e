#include "compiler/pack_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "engine/resource_pack.h"
#include "platform/utf.h"
#include "testing/test_files.h"

namespace lexora::compiler {
namespace {

std::vector<std::uint8_t> bytes_of(std::string_view s) {
  return {s.begin(), s.end()};
}

std::vector<std::uint8_t> noise(std::size_t n) {
  std::vector<std::uint8_t> v(n);
  std::uint32_t x = 12345;
  for (auto& b : v) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  return v;
}

TEST(PackWriterTest, HeaderAndDirectoryFollowTheLayout) {
  std::string error;
  auto bytes =
      build_pack({{u"b", bytes_of("BB"), false}, {u"a", bytes_of("A"), false}}, {2, true}, &error);
  // magic, version 2, count 2, 8 reserved bytes, then "a" (4 bytes) + fields.
  const std::vector<std::uint8_t> head = {'Z', 'p', 'a', 'k', 2, 0, 2, 0,   0, 0, 0,
                                          0,   0,   0,   0,   0, 0, 0, 'a', 0, 0, 0};
  ASSERT_GE(bytes.size(), head.size());
  EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin()));
  // Two records of 4 + 12 bytes, then the data of "a", then of "b".
  std::size_t data = kPackHeaderSize + 2 * 16;
  EXPECT_EQ(bytes.size(), data + 3);
  EXPECT_EQ(bytes[22], data);  // offset of "a"
  EXPECT_EQ(bytes[26], 1);     // size of "a"
  EXPECT_EQ(bytes[30], 0);     // stored
  EXPECT_EQ(bytes[data], 'A');
  EXPECT_EQ(bytes[data + 1], 'B');
}

TEST(PackWriterTest, UnsortedOptionKeepsTheGivenOrder) {
  std::string error;
  auto bytes =
      build_pack({{u"b", bytes_of("B"), false}, {u"a", bytes_of("A"), false}}, {0, false}, &error);
  auto pack = ResourcePack::from_memory(bytes);
  ASSERT_TRUE(pack);
  EXPECT_EQ(pack->entry(0).name, u"b");
  EXPECT_EQ(pack->entry(1).name, u"a");
}

TEST(PackWriterTest, CompressesOnlyWhatGetsSmaller) {
  std::string error;
  std::vector<std::uint8_t> text(4000, 'x');
  auto bytes = build_pack(
      {{u"text.css", text, true}, {u"noise.jpg", noise(4000), true}, {u"plain.css", text, false}},
      {}, &error);
  auto pack = ResourcePack::from_memory(bytes);
  ASSERT_TRUE(pack);
  for (std::size_t i = 0; i < pack->entry_count(); ++i) {
    PackEntryInfo e = pack->entry(i);
    EXPECT_EQ(e.size, 4000u);
    if (e.name == u"text.css") {
      EXPECT_GT(e.packed_size, 0u);
      EXPECT_LT(e.packed_size, 100u);
    } else {
      EXPECT_EQ(e.packed_size, 0u) << utf16_to_utf8(e.name);
    }
  }
}

TEST(PackWriterTest, RejectsEmptyDuplicateAndZeroHoldingNames) {
  std::string error;
  EXPECT_TRUE(build_pack({{u"", bytes_of("x"), false}}, {}, &error).empty());
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_TRUE(
      build_pack({{u"a", bytes_of("x"), false}, {u"a", bytes_of("y"), true}}, {}, &error).empty());
  EXPECT_NE(error.find("duplicate"), std::string::npos);
  error.clear();
  EXPECT_TRUE(build_pack({{std::u16string(u"a\0b", 3), bytes_of("x"), false}}, {}, &error).empty());
  EXPECT_FALSE(error.empty());
  // Names differing only in case are distinct entries.
  error.clear();
  EXPECT_FALSE(
      build_pack({{u"a", bytes_of("x"), false}, {u"A", bytes_of("y"), false}}, {}, &error).empty());
}

TEST(PackWriterTest, FolderEntriesAreNamedWithBackslashes) {
  namespace fs = std::filesystem;
  auto dir = std::make_unique<test::TempDir>();
  fs::path root(dir->path());
  fs::create_directories(root / "img" / "animals");
  std::ofstream(root / "style.css") << "body{}";
  std::ofstream(root / "img" / "animals" / "cat.png") << "PNG";
  std::ofstream(root / "img" / "dog.gif") << "GIF";

  std::string error;
  auto bytes = build_pack_from_folder(root.string(), {}, &error);
  dir.reset();
  ASSERT_FALSE(bytes.empty()) << error;
  auto pack = ResourcePack::from_memory(bytes);
  ASSERT_TRUE(pack);
  ASSERT_EQ(pack->entry_count(), 3u);
  EXPECT_EQ(pack->entry(0).name, u"img\\animals\\cat.png");
  EXPECT_EQ(pack->entry(1).name, u"img\\dog.gif");
  EXPECT_EQ(pack->entry(2).name, u"style.css");
  std::uint32_t size = 0;
  std::vector<std::uint8_t> buffer;
  const std::uint8_t* p = pack->read_entry(u"img/animals/cat.png", &size, &buffer);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p), size), "PNG");

  EXPECT_TRUE(build_pack_from_folder(root.string(), {}, &error).empty());
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace lexora::compiler
