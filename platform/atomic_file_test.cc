#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/read_file.h"
#include "platform/system_calls.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

using test::read_file;
using test::TempDir;
using test::write_file;

const std::vector<std::uint8_t> kOld{1, 2, 3};

std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Every system call of a replacement, failed in turn with each of the errors
// a full disk, a lost device and a refused permission give: the failure is
// reported with the file, and the file is the old one whole, or (only when
// flushing the folder after the rename fails) the new one, said so.
TEST(AtomicFileTest, EveryFailedSystemCallIsReportedAndKeepsTheOldFile) {
  TempDir dir;
  const std::string path = dir.file("Lexora.ini");
  const std::vector<std::uint8_t> fresh(100000, 'n');
  long calls = 0;
  {
    write_file(path, kOld);
    sys::ScopedFault counting(0);
    ASSERT_FALSE(replace_file(path, fresh, {{}, 4096}));
    calls = counting.calls();
  }
  ASSERT_GT(calls, 25);  // open, fchmod, 25 writes, sync, close, rename, folder
  for (int error : {ENOSPC, EIO, EACCES}) {
    for (long n = 1; n <= calls; ++n) {
      SCOPED_TRACE(testing::Message() << "call " << n << " errno " << error);
      write_file(path, kOld);
      sys::ScopedFault fault(n, error);
      const std::optional<WriteError> failure = replace_file(path, fresh, {{}, 4096});
      ASSERT_TRUE(failure);
      EXPECT_EQ(failure->error, error);
      EXPECT_NE(failure->describe().find(path), std::string::npos);
      EXPECT_EQ(read_file(path), failure->replaced ? fresh : kOld);
      EXPECT_EQ(failure->replaced, failure->step == WriteStep::kSyncFolder);
      EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"Lexora.ini"});
    }
  }
}

TEST(AtomicFileTest, StaleTemporariesOfDeadProcessesAreRemovedAndLiveOnesKept) {
  TempDir dir;
  const std::string path = dir.file("db.pdb");
  write_file(path, kOld);
  // A process that has ended: its pid is free until reused.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string dead = dir.file(temporary_prefix_for(path) + std::to_string(child) + "-0");
  const std::string live =
      dir.file(temporary_prefix_for(path) + std::to_string(::getppid()) + "-3");
  const std::string other = dir.file(".other.pdb.tmp-" + std::to_string(child) + "-0");
  for (const std::string& file : {dead, live, other}) write_file(file, kOld);

  EXPECT_EQ(remove_stale_temporaries(path), 1);
  EXPECT_FALSE(std::filesystem::exists(dead));
  EXPECT_TRUE(std::filesystem::exists(live));
  EXPECT_TRUE(std::filesystem::exists(other));  // another file's, not ours to judge
}

TEST(ReadFileTest, RefusesWhatIsNotARegularFileOrLargerThanTheCap) {
  TempDir dir;
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(read_regular_file("/dev/zero", 1 << 20, &bytes).status, ReadStatus::kNotRegular);
  EXPECT_EQ(read_regular_file(dir.path(), 1 << 20, &bytes).status, ReadStatus::kNotRegular);
  // A FIFO without a writer: refused at once, not waited on.
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const ReadResult from_fifo = read_regular_file(fifo, 1 << 20, &bytes);
  EXPECT_EQ(from_fifo.status, ReadStatus::kNotRegular);
  EXPECT_EQ(from_fifo.describe(fifo, 1 << 20), fifo + ": not a regular file");

  write_file(dir.file("big"), std::vector<std::uint8_t>(1025, 'x'));
  const ReadResult big = read_regular_file(dir.file("big"), 1024, &bytes);
  EXPECT_EQ(big.status, ReadStatus::kTooLarge);
  EXPECT_EQ(big.describe("big", 1024), "big: larger than 1 KiB");
  EXPECT_EQ(read_regular_file(dir.file("big"), 1025, &bytes).status, ReadStatus::kOk);
  EXPECT_EQ(bytes.size(), 1025u);
  EXPECT_EQ(read_regular_file(dir.file("none"), 1024, &bytes).status, ReadStatus::kMissing);
}

}  // namespace
}  // namespace lexora
