#include "import/import_cache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "import/test_sources.h"

namespace lexora::import {
namespace {

TEST(ImportCache, ConvertsOnceAndAgainOnlyWhenTheSourceChanges) {
  lexora::test::TempDir dir;
  const std::string cache = dir.file("cache");
  const std::string index = test::write_dictd(dir.path(), "db", {{"a", "a text\n"}}, false);
  std::string first, again, changed;
  bool converted = false;
  ImportError error;
  ASSERT_TRUE(cached_import(index, cache, ImportOptions{}, &first, &converted, nullptr, &error))
      << describe(error);
  EXPECT_TRUE(converted);
  EXPECT_TRUE(std::filesystem::exists(first));
  ASSERT_TRUE(cached_import(index, cache, ImportOptions{}, &again, &converted, nullptr, &error));
  EXPECT_FALSE(converted);
  EXPECT_EQ(again, first);
  // A new text (size changes): converted again, the old file removed.
  test::write_dictd(dir.path(), "db", {{"a", "a longer text\n"}, {"b", "b\n"}}, false);
  ASSERT_TRUE(cached_import(index, cache, ImportOptions{}, &changed, &converted, nullptr, &error));
  EXPECT_TRUE(converted);
  EXPECT_NE(changed, first);
  EXPECT_FALSE(std::filesystem::exists(first));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cache), {}), 1);
}

// The pid of a process that has exited and been reaped.
pid_t finished_process() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

TEST(ImportCache, NewConversionKeepsAnotherLiveProcessesPartFileAndRemovesADeadOnes) {
  lexora::test::TempDir dir;
  const std::string cache = dir.file("cache");
  const std::string index = test::write_dictd(dir.path(), "db", {{"a", "a text\n"}}, false);
  std::string old_path;
  bool converted = false;
  ImportError error;
  ASSERT_TRUE(cached_import(index, cache, ImportOptions{}, &old_path, &converted, nullptr, &error));
  // Two conversions of this version that were under way: one by a process
  // still running (this one stands in for it), one by a process gone.
  const std::string live = old_path + ".part-" + std::to_string(::getpid());
  const std::string dead = old_path + ".part-" + std::to_string(finished_process());
  lexora::test::write_file(live, "half");
  lexora::test::write_file(dead, "half");
  test::write_dictd(dir.path(), "db", {{"a", "a longer text\n"}}, false);
  std::string new_path;
  ASSERT_TRUE(cached_import(index, cache, ImportOptions{}, &new_path, &converted, nullptr, &error));
  EXPECT_TRUE(converted);
  EXPECT_TRUE(std::filesystem::exists(live));
  EXPECT_FALSE(std::filesystem::exists(dead));
  EXPECT_FALSE(std::filesystem::exists(old_path));
}

TEST(ImportCache, DamagedSourceLeavesNothingInTheCache) {
  lexora::test::TempDir dir;
  const std::string cache = dir.file("cache");
  const std::string index = test::write_dictd(dir.path(), "db", {{"a", "a text\n"}}, false);
  lexora::test::write_file(index, "a\tA\n");
  std::string path;
  bool converted = true;
  ImportError error;
  EXPECT_FALSE(cached_import(index, cache, ImportOptions{}, &path, &converted, nullptr, &error));
  EXPECT_EQ(error.line, 1u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cache), {}), 0);
}

TEST(ImportCache, FolderFollowsXdgCacheHome) {
  const char* home = std::getenv("HOME");
  const std::string saved_home = home != nullptr ? home : "";
  ::setenv("XDG_CACHE_HOME", "/tmp/xdg-test", 1);
  EXPECT_EQ(import_cache_folder(), "/tmp/xdg-test/Lexora");
  ::unsetenv("XDG_CACHE_HOME");
  ::setenv("HOME", "/home/u", 1);
  EXPECT_EQ(import_cache_folder(), "/home/u/.cache/Lexora");
  ::setenv("HOME", saved_home.c_str(), 1);
}

}  // namespace
}  // namespace lexora::import
