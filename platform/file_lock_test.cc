#include "platform/file_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "testing/test_files.h"

namespace lexora {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

TEST(FileLockTest, ASecondHolderWaitsAndTheLockFileGoesWithTheLock) {
  TempDir dir;
  const std::string path = dir.file("Lexora.ini");
  {
    std::optional<FileLock> first = FileLock::acquire(path, 0ms);
    ASSERT_TRUE(first);
    int error = 0;
    EXPECT_FALSE(FileLock::acquire(path, 20ms, &error));
    EXPECT_EQ(error, EWOULDBLOCK);
  }
  EXPECT_FALSE(std::filesystem::exists(lock_path_for(path)));
  EXPECT_TRUE(FileLock::acquire(path, 0ms));
}

// A holder killed outright leaves its lock file, but not its lock: the next
// writer takes it at once.
TEST(FileLockTest, AKilledHolderLeavesNoLock) {
  TempDir dir;
  const std::string path = dir.file("Lexora.ini");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::optional<FileLock> held = FileLock::acquire(path, 1000ms);
    const char byte = held ? 1 : 0;
    (void)!::write(ready[1], &byte, 1);
    ::pause();
    ::_exit(0);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, 1);
  EXPECT_FALSE(FileLock::acquire(path, 0ms));
  ::kill(child, SIGKILL);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  EXPECT_TRUE(std::filesystem::exists(lock_path_for(path)));
  EXPECT_TRUE(FileLock::acquire(path, 0ms));  // free at once, no waiting
  ::close(ready[0]);
  ::close(ready[1]);
}

}  // namespace
}  // namespace lexora
