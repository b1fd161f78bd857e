// The system calls of the program's write paths (settings, flash-card
// database), through one seam that tests can arm to fail the n-th call with
// an error of their choice, as a full disk, a lost device or a refused
// permission would. Header-only, so that libcardbank.so, which links nothing
// of ours, goes through it as well; each binary has its own counter.
//
// Unarmed, every call is the plain system call plus one counter increment.
#ifndef LEXORA_PLATFORM_SYSTEM_CALLS_H_
#define LEXORA_PLATFORM_SYSTEM_CALLS_H_

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace lexora::sys {

struct FaultPlan {
  long calls = 0;    // calls made through the seam since the last arm()
  long fail_at = 0;  // the call that fails (1 = the first); 0: none
  int error = EIO;   // errno of the failed call
};

inline FaultPlan& fault_plan() {
  static FaultPlan plan;
  return plan;
}

// Counts the call; true when this is the one to fail (errno is then set).
inline bool inject_fault() {
  FaultPlan& plan = fault_plan();
  ++plan.calls;
  if (plan.fail_at == 0 || plan.calls != plan.fail_at) return false;
  errno = plan.error;
  return true;
}

inline int open(const char* path, int flags, mode_t mode = 0) {
  return inject_fault() ? -1 : ::open(path, flags, mode);
}
inline ssize_t read(int fd, void* data, std::size_t size) {
  return inject_fault() ? -1 : ::read(fd, data, size);
}
inline ssize_t write(int fd, const void* data, std::size_t size) {
  return inject_fault() ? -1 : ::write(fd, data, size);
}
inline int fstat(int fd, struct stat* st) {
  return inject_fault() ? -1 : ::fstat(fd, st);
}
inline int fchmod(int fd, mode_t mode) {
  return inject_fault() ? -1 : ::fchmod(fd, mode);
}
inline int fdatasync(int fd) {
  return inject_fault() ? -1 : ::fdatasync(fd);
}
inline int fsync(int fd) {
  return inject_fault() ? -1 : ::fsync(fd);
}
// A failed close still releases the descriptor, as the kernel's does.
inline int close(int fd) {
  if (!inject_fault()) return ::close(fd);
  const int error = errno;
  ::close(fd);
  errno = error;
  return -1;
}
inline int rename(const char* from, const char* to) {
  return inject_fault() ? -1 : ::rename(from, to);
}
inline int unlink(const char* path) {
  return inject_fault() ? -1 : ::unlink(path);
}
inline int mkdir(const char* path, mode_t mode) {
  return inject_fault() ? -1 : ::mkdir(path, mode);
}
inline int flock(int fd, int operation) {
  return inject_fault() ? -1 : ::flock(fd, operation);
}

// For tests: arms the seam for its lifetime, then disarms it.
class ScopedFault {
 public:
  // `fail_at` 0 only counts (to learn how many calls a write makes).
  explicit ScopedFault(long fail_at, int error = EIO) { fault_plan() = {0, fail_at, error}; }
  ~ScopedFault() { fault_plan() = {}; }
  ScopedFault(const ScopedFault&) = delete;
  ScopedFault& operator=(const ScopedFault&) = delete;
  long calls() const { return fault_plan().calls; }
};

}  // namespace lexora::sys

#endif  // LEXORA_PLATFORM_SYSTEM_CALLS_H_
