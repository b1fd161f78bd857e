#include "gui/article/packed_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "testing/test_files.h"

namespace lexora {
namespace {

namespace fs = std::filesystem;

TEST(PackedFileName, LastPartOfTheEntryName) {
  EXPECT_EQ(packed_file_name(u"docs\\guide.pdf"), u"guide.pdf");
  EXPECT_EQ(packed_file_name(u"guide.pdf"), u"guide.pdf");
  EXPECT_EQ(packed_file_name(u"docs/guide.pdf"), u"guide.pdf");
}

TEST(PackedFileName, HostileNamesStayAPlainName) {
  EXPECT_EQ(packed_file_name(u"..\\..\\..\\.bashrc"), u".bashrc");
  EXPECT_EQ(packed_file_name(u"/etc/passwd"), u"passwd");
  EXPECT_EQ(packed_file_name(u"C:\\Windows\\win.ini"), u"win.ini");
  EXPECT_EQ(packed_file_name(u"C:evil.txt"), u"evil.txt");
  EXPECT_EQ(packed_file_name(std::u16string(u"a\0b.txt", 7)), u"ab.txt");
  EXPECT_FALSE(packed_file_name(u"docs\\"));
  EXPECT_FALSE(packed_file_name(u".."));
  EXPECT_FALSE(packed_file_name(u"x/.."));
  EXPECT_FALSE(packed_file_name(u""));
}

TEST(PrivateMediaFolder, IsMadeOwnedAndClosedToOthers) {
  const test::TempDir root;
  const auto folder = private_media_folder(root.path());
  ASSERT_TRUE(folder);
  EXPECT_EQ(*folder, root.path() + "/lexora-" + std::to_string(::geteuid()));
  struct stat st {};
  ASSERT_EQ(::lstat(folder->c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // The second time the same folder serves.
  EXPECT_EQ(private_media_folder(root.path()), folder);
}

TEST(PrivateMediaFolder, APlantedLinkOrAnOpenFolderIsNotUsed) {
  const test::TempDir root;
  const test::TempDir elsewhere;
  const std::string expected = root.path() + "/lexora-" + std::to_string(::geteuid());
  fs::create_directory_symlink(elsewhere.path(), expected);
  auto folder = private_media_folder(root.path());
  ASSERT_TRUE(folder);
  EXPECT_NE(*folder, expected);
  EXPECT_EQ(folder->rfind(root.path() + "/", 0), 0u);
  struct stat st {};
  ASSERT_EQ(::lstat(folder->c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  fs::remove(expected);
  fs::create_directory(expected);
  fs::permissions(expected, fs::perms::all);  // 0777: others could plant files
  folder = private_media_folder(root.path());
  ASSERT_TRUE(folder);
  EXPECT_NE(*folder, expected);
}

TEST(WritePrivateFile, WritesReplacesAndNeverFollowsALink) {
  const test::TempDir folder;
  const test::TempDir elsewhere;
  const std::vector<std::uint8_t> first = {1, 2, 3};
  const std::vector<std::uint8_t> second = {9, 8};
  ASSERT_TRUE(write_private_file(folder.path(), "a.bin", first));
  EXPECT_EQ(test::read_file(folder.file("a.bin")), first);
  ASSERT_TRUE(write_private_file(folder.path(), "a.bin", second));
  EXPECT_EQ(test::read_file(folder.file("a.bin")), second);

  // A link planted under the name is replaced, its target left alone.
  test::write_file(elsewhere.file("victim"), std::string("keep"));
  fs::create_symlink(elsewhere.file("victim"), folder.file("b.bin"));
  ASSERT_TRUE(write_private_file(folder.path(), "b.bin", first));
  EXPECT_FALSE(fs::is_symlink(folder.file("b.bin")));
  EXPECT_EQ(test::read_file(folder.file("b.bin")), first);
  EXPECT_EQ(test::read_file(elsewhere.file("victim")),
            std::vector<std::uint8_t>({'k', 'e', 'e', 'p'}));
}

TEST(WritePrivateFile, RefusesNamesThatLeaveTheFolderAndReportsFailures) {
  const test::TempDir folder;
  EXPECT_FALSE(write_private_file(folder.path(), "../x", {}));
  EXPECT_FALSE(write_private_file(folder.path(), "..", {}));
  EXPECT_FALSE(write_private_file(folder.path(), "", {}));
  EXPECT_FALSE(write_private_file(folder.file("missing"), "x", {}));
  fs::create_directory(folder.file("dir"));
  EXPECT_FALSE(write_private_file(folder.path(), "dir", {}));  // a folder is not replaced
  EXPECT_TRUE(fs::is_directory(folder.file("dir")));
}

}  // namespace
}  // namespace lexora
