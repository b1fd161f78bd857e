#include "platform/file_lock.h"

#include <thread>

#include "platform/system_calls.h"

namespace lexora {
namespace {

// Writes take milliseconds: poll often rather than sleep long.
constexpr auto kPollInterval = std::chrono::milliseconds(2);
constexpr mode_t kLockFileMode = 0600;

bool same_file(int fd, const std::string& path) {
  struct stat held {};
  struct stat named {};
  return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

}  // namespace

std::string lock_path_for(const std::string& path) {
  return path + ".lock";
}

std::optional<FileLock> FileLock::acquire(const std::string& path, std::chrono::milliseconds wait,
                                          int* error) {
  const std::string lock_path = lock_path_for(path);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  const auto failed = [&](int code) -> std::optional<FileLock> {
    if (error != nullptr) *error = code;
    return std::nullopt;
  };
  for (;;) {
    const int fd =
        sys::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kLockFileMode);
    if (fd < 0) return failed(errno);
    while (sys::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int code = errno;
      if ((code != EWOULDBLOCK && code != EINTR) || std::chrono::steady_clock::now() >= deadline) {
        ::close(fd);
        return failed(code);
      }
      std::this_thread::sleep_for(kPollInterval);
    }
    // The holder before us removes the lock file as it lets go: a lock on a
    // file that no longer has this name locks nothing, so start again.
    if (same_file(fd, lock_path)) return FileLock(fd, lock_path);
    ::close(fd);
  }
}

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(other.fd_), lock_path_(std::move(other.lock_path_)) {
  other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = other.fd_;
    lock_path_ = std::move(other.lock_path_);
    other.fd_ = -1;
  }
  return *this;
}

FileLock::~FileLock() {
  release();
}

void FileLock::release() {
  if (fd_ < 0) return;
  // Removed while still held, so that nobody locks the old file after us.
  ::unlink(lock_path_.c_str());
  ::close(fd_);
  fd_ = -1;
}

}  // namespace lexora
