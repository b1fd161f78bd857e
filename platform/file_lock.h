// An exclusive lock for the read-modify-write of one file, held with
// flock(2) on a companion lock file ("<path>.lock"): the kernel releases it
// when the holder ends, however it ends, so no lock outlives its process and
// a killed writer never makes the next one wait. The lock file is removed
// when the lock is released; one left by a killed process is simply taken.
//
// No Qt, no ICU (libcardbank.so links this).
#ifndef LEXORA_PLATFORM_FILE_LOCK_H_
#define LEXORA_PLATFORM_FILE_LOCK_H_

#include <chrono>
#include <optional>
#include <string>

namespace lexora {

class FileLock {
 public:
  // Takes the lock for `path` (the file to be replaced, not the lock file),
  // waiting at most `wait` for another holder. Nothing on failure, with
  // *error (if given) set to the errno; EWOULDBLOCK means the wait ran out.
  static std::optional<FileLock> acquire(const std::string& path, std::chrono::milliseconds wait,
                                         int* error = nullptr);

  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();

  const std::string& lock_path() const { return lock_path_; }

 private:
  FileLock(int fd, std::string lock_path) : fd_(fd), lock_path_(std::move(lock_path)) {}
  void release();
  int fd_;
  std::string lock_path_;
};

// The lock file's path for `path`.
std::string lock_path_for(const std::string& path);

}  // namespace lexora

#endif  // LEXORA_PLATFORM_FILE_LOCK_H_
