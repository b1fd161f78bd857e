// Replacing a file whole without ever leaving a torn one: the new contents
// go to a temporary file in the same folder (".<name>.tmp-<pid>-<n>"), are
// written, flushed to the disk and closed, the temporary file is renamed
// over the old one and the folder is flushed. Every step is checked; the
// first that fails stops the replacement, removes the temporary file and is
// reported with its system error. Up to the rename `path` is the old file;
// only a failure to flush the folder comes after it (the new file is then in
// place but may not survive a crash).
//
// No Qt, no ICU: libcardbank.so links this and the C++ library alone.
#ifndef LEXORA_PLATFORM_ATOMIC_FILE_H_
#define LEXORA_PLATFORM_ATOMIC_FILE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace lexora {

// The steps of replace_file() that touch the disk, in order.
enum class WriteStep {
  kCreateTemporary,
  kWrite,
  kSyncFile,
  kClose,
  kRename,
  kSyncFolder,
};

struct WriteOptions {
  // Called before each step; returning false makes the step fail as if the
  // system had refused it with EIO (tests interrupt a replacement at every
  // point, or end the process there). Empty: every step runs.
  std::function<bool(WriteStep)> before_step;
  // The most bytes one kWrite step writes.
  std::size_t chunk_size = 1 << 16;
};

struct WriteError {
  WriteStep step = WriteStep::kCreateTemporary;
  int error = 0;     // errno
  std::string path;  // the file being replaced
  // True when the new file is in place already (only a kSyncFolder failure).
  bool replaced = false;
  // "cannot write PATH: STEP failed: REASON"
  std::string describe() const;
};

// Replaces the file at `path` (UTF-8) by `bytes`. A symbolic link is followed
// and its target replaced. An existing file's permission bits are kept; a new
// file gets 0666 less the umask. Nothing on success, else the failed step.
std::optional<WriteError> replace_file(const std::string& path, std::span<const std::uint8_t> bytes,
                                       const WriteOptions& options = {});

// Removes the temporary files that replace_file() left for `path` in
// processes that died midway: those whose process no longer runs and that
// belong to this user. Call it while holding the file's lock (file_lock.h),
// so that no live writer's file is in the way. Returns how many went.
int remove_stale_temporaries(const std::string& path);

// The name of the temporary files for `path`, up to the pid: ".NAME.tmp-".
std::string temporary_prefix_for(const std::string& path);

}  // namespace lexora

#endif  // LEXORA_PLATFORM_ATOMIC_FILE_H_
