#include "cardbank/new_record.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "cardbank/card_database.h"
#include "cardbank/cardbank_test_util.h"
#include "platform/file_lock.h"
#include "platform/system_calls.h"

namespace lexora::cardbank {
namespace {

using testing::be16;
using testing::be32;
using testing::put_be16;
using testing::put_be32;
using testing::read_bytes;
using testing::record_bytes;
using testing::TempFolder;
using testing::write_bytes;

std::u16string u16(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

class NewRecordTest : public ::testing::Test {
 protected:
  TempFolder folder_;
  std::string db_ = folder_.file("dict_mr.pdb");
  std::u16string db16_ = u16(db_);
};

TEST_F(NewRecordTest, MissingDatabaseIsCreatedWithTheRecord) {
  ASSERT_EQ(new_record(db16_, u"cat", u"kæt", u"кошка"), kRecordAdded);
  const auto image = read_bytes(db_);
  const auto data = record_bytes(u"cat", u"kæt", u"кошка");
  ASSERT_EQ(image.size(), 92u + 8 + data.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data())), "dict_mr");
  EXPECT_EQ(be16(image, 76), 1);
  EXPECT_EQ(be32(image, 52), 88u);
  EXPECT_EQ(be32(image, 78), 100u);
  EXPECT_EQ(be32(image, 82), 0u);
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 100, image.end()), data);
}

TEST_F(NewRecordTest, PresentWordLeavesTheFileAlone) {
  ASSERT_EQ(new_record(db16_, u"cat", u"", u"one"), kRecordAdded);
  const auto before = read_bytes(db_);
  EXPECT_EQ(new_record(db16_, u"cat", u"k", u"two"), kWordPresent);
  EXPECT_EQ(read_bytes(db_), before);
}

TEST_F(NewRecordTest, WordDifferingInCaseIsANewRecord) {
  ASSERT_EQ(new_record(db16_, u"cat", u"", u"one"), kRecordAdded);
  ASSERT_EQ(new_record(db16_, u"Cat", u"", u"two"), kRecordAdded);
  auto db = CardDatabase::parse(read_bytes(db_));
  ASSERT_TRUE(db);
  ASSERT_EQ(db->record_count(), 2u);
  EXPECT_EQ(db->record_texts(1).word, u"Cat");
  EXPECT_EQ(db->entry(1).unique_id, 1u);
}

TEST_F(NewRecordTest, DamagedDatabaseIsRefusedAndUntouched) {
  ASSERT_EQ(new_record(db16_, u"one", u"", u"1"), kRecordAdded);
  ASSERT_EQ(new_record(db16_, u"two", u"", u"2"), kRecordAdded);
  const auto good = read_bytes(db_);

  std::vector<std::vector<std::uint8_t>> damaged;
  damaged.emplace_back(good.begin(), good.begin() + 40);  // short header
  damaged.push_back(good);
  put_be16(&damaged.back(), 76, 500);  // count larger than the list
  damaged.push_back(good);
  put_be32(&damaged.back(), 78, be32(good, 86) + 2);  // offsets out of order
  damaged.push_back(good);
  put_be32(&damaged.back(), 86, static_cast<std::uint32_t>(good.size() + 10));  // past the end
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    SCOPED_TRACE(i);
    write_bytes(db_, damaged[i]);
    EXPECT_EQ(new_record(db16_, u"three", u"", u"3"), kDatabaseFailure);
    EXPECT_EQ(read_bytes(db_), damaged[i]);
  }
}

TEST_F(NewRecordTest, FullDatabaseIsRefusedAndUntouched) {
  std::vector<std::uint8_t> image = CardDatabase::empty_image("dict_mr");
  image.insert(image.begin() + 78, 8 * std::size_t{kMaxRecords}, 0);
  put_be16(&image, 76, 0xFFFF);
  put_be32(&image, 52, static_cast<std::uint32_t>(78 + 8 * std::size_t{kMaxRecords} + 2));
  for (std::size_t i = 0; i < kMaxRecords; ++i) {
    put_be32(&image, 78 + 8 * i, static_cast<std::uint32_t>(image.size()));
  }
  write_bytes(db_, image);
  EXPECT_EQ(new_record(db16_, u"new", u"", u"t"), kDatabaseFailure);
  EXPECT_EQ(read_bytes(db_), image);
}

TEST_F(NewRecordTest, UnreachableOrUnwritableDatabaseFails) {
  EXPECT_EQ(new_record(u16(folder_.file("no/such/folder/d.pdb")), u"w", u"", u"t"),
            kDatabaseFailure);
  EXPECT_EQ(new_record(u16(folder_.path()), u"w", u"", u"t"), kDatabaseFailure);  // a folder
  EXPECT_EQ(new_record(u"", u"w", u"", u"t"), kDatabaseFailure);
  if (::geteuid() != 0) {  // root writes regardless of permissions
    ASSERT_EQ(new_record(db16_, u"w", u"", u"t"), kRecordAdded);
    const auto before = read_bytes(db_);
    ::chmod(db_.c_str(), 0444);
    EXPECT_EQ(new_record(db16_, u"x", u"", u"t"), kDatabaseFailure);
    EXPECT_EQ(read_bytes(db_), before);
  }
}

TEST_F(NewRecordTest, NonAsciiPathIsUsedAsUtf8) {
  const std::u16string path = db16_.substr(0, db16_.rfind(u'/') + 1) + u"словарь.pdb";
  ASSERT_EQ(new_record(path, u"w", u"", u"t"), kRecordAdded);
  EXPECT_TRUE(std::filesystem::exists(folder_.file("словарь.pdb")));
}

// Every disk step of an export, failed in turn: the database is the old file
// each time, and no temporary file stays behind.
TEST_F(NewRecordTest, FailureAtAnyStepLeavesTheOldFile) {
  ASSERT_EQ(new_record(db16_, u"one", u"", u"1"), kRecordAdded);
  const auto old_image = read_bytes(db_);

  int steps = 0;
  WriteOptions counting;
  counting.chunk_size = 16;
  counting.before_step = [&steps](WriteStep) { return ++steps, true; };
  ASSERT_EQ(new_record(db16_, u"two", u"", u"2", counting), kRecordAdded);
  const auto new_image = read_bytes(db_);
  ASSERT_GT(steps, 8);

  // Up to the rename a failure leaves the old file; the folder sync comes
  // after the rename and cannot undo it.
  for (int fail_at = 1; fail_at <= steps; ++fail_at) {
    SCOPED_TRACE(fail_at);
    write_bytes(db_, old_image);
    int step = 0;
    WriteStep failed_step{};
    WriteOptions failing;
    failing.chunk_size = 16;
    failing.before_step = [&](WriteStep s) {
      if (++step != fail_at) return true;
      failed_step = s;
      return false;
    };
    const std::int32_t result = new_record(db16_, u"two", u"", u"2", failing);
    if (failed_step == WriteStep::kSyncFolder) {
      EXPECT_EQ(result, kRecordAdded);
      EXPECT_EQ(read_bytes(db_), new_image);
    } else {
      EXPECT_EQ(result, kDatabaseFailure);
      EXPECT_EQ(read_bytes(db_), old_image);
    }
    EXPECT_EQ(folder_.entries(), std::vector<std::string>{"dict_mr.pdb"});
  }
}

// The process dies at each disk step in turn: afterwards the database is
// either the old file or the new one, never anything between.
TEST_F(NewRecordTest, DeathAtAnyStepLeavesOldOrNewFile) {
  ASSERT_EQ(new_record(db16_, u"one", u"", u"1"), kRecordAdded);
  const auto old_image = read_bytes(db_);
  ASSERT_EQ(new_record(db16_, u"two", u"", u"2"), kRecordAdded);
  const auto new_image = read_bytes(db_);

  bool saw_old = false;
  bool saw_new = false;
  for (int die_at = 1;; ++die_at) {
    SCOPED_TRACE(die_at);
    write_bytes(db_, old_image);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int step = 0;
      WriteOptions dying;
      dying.chunk_size = 16;
      dying.before_step = [&](WriteStep) {
        if (++step == die_at) ::_exit(42);
        return true;
      };
      new_record(db16_, u"two", u"", u"2", dying);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    const auto image = read_bytes(db_);
    const bool is_old = image == old_image;
    const bool is_new = image == new_image;
    EXPECT_TRUE(is_old || is_new);
    saw_old = saw_old || is_old;
    saw_new = saw_new || is_new;
    if (WEXITSTATUS(status) == 0) break;  // ran to the end: every step was tried
    // Remove what the dead process left behind before the next round.
    for (const auto& name : folder_.entries()) {
      if (name != "dict_mr.pdb") std::filesystem::remove(folder_.file(name));
    }
  }
  EXPECT_TRUE(saw_old);
  EXPECT_TRUE(saw_new);
}

TEST_F(NewRecordTest, EmptyFileStartsANewDatabase) {
  write_bytes(db_, {});
  ASSERT_EQ(new_record(db16_, u"cat", u"", u"t"), kRecordAdded);
  const auto db = CardDatabase::parse(read_bytes(db_));
  ASSERT_TRUE(db);
  EXPECT_EQ(db->record_count(), 1u);
}

// Only a missing or empty file starts a database; anything else that is not
// this application's database is refused and left as it was.
TEST_F(NewRecordTest, ForeignAndInconsistentFilesAreRefusedAndUntouched) {
  ASSERT_EQ(new_record(db16_, u"one", u"", u"1"), kRecordAdded);
  ASSERT_EQ(new_record(db16_, u"two", u"", u"2"), kRecordAdded);
  const auto good = read_bytes(db_);
  std::vector<std::vector<std::uint8_t>> foreign;
  foreign.emplace_back(4096, 0);  // zeros
  foreign.emplace_back(92, 0);    // zeros of an empty database's size
  foreign.push_back(good);
  std::copy_n("TEXtREAd", 8, foreign.back().begin() + 60);  // another application's
  foreign.push_back(good);
  std::copy_n("MR02", 4, foreign.back().begin() + 64);
  foreign.push_back(good);
  put_be32(&foreign.back(), 52, be32(good, 52) + 1);  // odd app info offset
  foreign.push_back(good);
  put_be32(&foreign.back(), 52, 78);  // app info inside the record list
  foreign.push_back(good);
  put_be16(&foreign.back(), 76, 1);  // a count that leaves an entry behind the list
  for (std::size_t i = 0; i < foreign.size(); ++i) {
    SCOPED_TRACE(i);
    write_bytes(db_, foreign[i]);
    EXPECT_EQ(new_record(db16_, u"three", u"", u"3"), kDatabaseFailure);
    EXPECT_EQ(read_bytes(db_), foreign[i]);
  }
}

// Every system call of an export failed in turn (a full disk, a lost device,
// a refused permission): the result always tells what is on the disk, and
// nothing is left beside the database.
TEST_F(NewRecordTest, ResultMatchesTheDiskWhicheverSystemCallFails) {
  ASSERT_EQ(new_record(db16_, u"one", u"", u"1"), kRecordAdded);
  const auto old_image = read_bytes(db_);
  long calls = 0;
  {
    sys::ScopedFault counting(0);
    ASSERT_EQ(new_record(db16_, u"two", u"", u"2"), kRecordAdded);
    calls = counting.calls();
  }
  ASSERT_GT(calls, 8);
  for (int error : {ENOSPC, EIO, EACCES}) {
    for (long n = 1; n <= calls; ++n) {
      SCOPED_TRACE(::testing::Message() << "call " << n << " errno " << error);
      write_bytes(db_, old_image);
      std::int32_t result = 0;
      {
        sys::ScopedFault fault(n, error);
        result = new_record(db16_, u"two", u"", u"2");
      }
      const auto db = CardDatabase::parse(read_bytes(db_));
      ASSERT_TRUE(db);
      if (result == kRecordAdded) {
        EXPECT_TRUE(db->contains_word(u"two"));
      } else {
        EXPECT_EQ(result, kDatabaseFailure);
        EXPECT_EQ(read_bytes(db_), old_image);
      }
      // No temporary file stays. (A lock file may, when taking the lock was
      // what failed: it is not a lock, and only its holder may remove it.)
      for (const std::string& name : folder_.entries()) {
        EXPECT_TRUE(name == "dict_mr.pdb" || name == "dict_mr.pdb.lock") << name;
      }
      std::filesystem::remove(db_ + ".lock");
    }
  }
}

// Several programs export at once: every record reported added is there.
TEST_F(NewRecordTest, ConcurrentExportersLoseNoRecord) {
  constexpr int kWordsEach = 12;
  for (int processes : {2, 4, 8}) {
    SCOPED_TRACE(processes);
    std::filesystem::remove(db_);
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        int added = 0;
        for (int w = 0; w < kWordsEach; ++w) {
          const std::u16string word = u16("p" + std::to_string(p) + "w" + std::to_string(w));
          if (new_record(db16_, word, u"", u"t") == kRecordAdded) ++added;
        }
        ::_exit(added);
      }
      children.push_back(child);
    }
    int reported = 0;
    for (pid_t child : children) {
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFEXITED(status));
      reported += WEXITSTATUS(status);
    }
    EXPECT_EQ(reported, processes * kWordsEach);
    const auto db = CardDatabase::parse(read_bytes(db_));
    ASSERT_TRUE(db);
    EXPECT_EQ(db->record_count(), static_cast<std::size_t>(reported));
    for (int p = 0; p < processes; ++p) {
      for (int w = 0; w < kWordsEach; ++w) {
        EXPECT_TRUE(db->contains_word(u16("p" + std::to_string(p) + "w" + std::to_string(w))));
      }
    }
  }
}

// An export killed midway leaves its temporary file and its lock file; the
// next export neither waits for the lock nor keeps the leftovers.
TEST_F(NewRecordTest, AKilledExportLeavesNothingThatLasts) {
  ASSERT_EQ(new_record(db16_, u"one", u"", u"1"), kRecordAdded);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    WriteOptions dying;
    dying.before_step = [](WriteStep step) {
      if (step == WriteStep::kSyncFile) ::raise(SIGKILL);
      return true;
    };
    new_record(db16_, u"two", u"", u"2", dying);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(folder_.entries().size(), 3u);  // database, lock file, temporary file
  ASSERT_TRUE(FileLock::acquire(db_, std::chrono::milliseconds(0)));  // no lock outlived it
  EXPECT_EQ(new_record(db16_, u"three", u"", u"3"), kRecordAdded);
  EXPECT_EQ(folder_.entries(), std::vector<std::string>{"dict_mr.pdb"});
}

}  // namespace
}  // namespace lexora::cardbank
