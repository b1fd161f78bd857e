#include "cardbank/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "cardbank/cardbank_test_util.h"

namespace lexora::cardbank {
namespace {

using testing::read_bytes;
using testing::TempFolder;
using testing::write_bytes;

const std::vector<std::uint8_t> kOld{1, 2, 3};
const std::vector<std::uint8_t> kNew{4, 5, 6, 7};

TEST(AtomicFileTest, ReplacementKeepsPermissionBits) {
  TempFolder folder;
  const std::string path = folder.file("db.pdb");
  write_bytes(path, kOld);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(replace_file(path, kNew));
  EXPECT_EQ(read_bytes(path), kNew);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(AtomicFileTest, SymbolicLinkStaysAndItsTargetIsReplaced) {
  TempFolder folder;
  const std::string target = folder.file("real.pdb");
  const std::string link = folder.file("link.pdb");
  write_bytes(target, kOld);
  std::filesystem::create_symlink(target, link);
  ASSERT_TRUE(replace_file(link, kNew));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(read_bytes(target), kNew);
}

TEST(AtomicFileTest, RefusedWriteRemovesTheTemporaryFile) {
  TempFolder folder;
  const std::string path = folder.file("db.pdb");
  write_bytes(path, kOld);
  WriteOptions options;
  options.before_step = [](WriteStep step) { return step != WriteStep::kSyncFile; };
  EXPECT_FALSE(cardbank::replace_file(path, kNew, options));
  EXPECT_EQ(read_bytes(path), kOld);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"db.pdb"});
}

TEST(AtomicFileTest, ReadTellsMissingFromUnusable) {
  TempFolder folder;
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(read_database_file(folder.file("none.pdb"), &bytes), ReadStatus::kMissing);
  EXPECT_EQ(read_database_file(folder.path(), &bytes), ReadStatus::kUnusable);
  write_bytes(folder.file("db.pdb"), kOld);
  EXPECT_EQ(read_database_file(folder.file("db.pdb"), &bytes), ReadStatus::kOk);
  EXPECT_EQ(bytes, kOld);
}

}  // namespace
}  // namespace lexora::cardbank
