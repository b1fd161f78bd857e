// A file descriptor owned by one scope: closed on destruction unless it was
// released or closed (and the close checked) before.
#ifndef LEXORA_PLATFORM_UNIQUE_FD_H_
#define LEXORA_PLATFORM_UNIQUE_FD_H_

#include "platform/system_calls.h"

namespace lexora {

class UniqueFd {
 public:
  // Takes `fd` (negative: nothing owned, as a failed open() returns).
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  // Gives the descriptor up to the caller, who closes it.
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now, through the system-call seam. False when the close failed
  // (written data may not have reached the file); the descriptor is gone
  // either way. Nothing owned is a successful close.
  bool close() {
    const int fd = release();
    return fd < 0 || sys::close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace lexora

#endif  // LEXORA_PLATFORM_UNIQUE_FD_H_
