#include "platform/auto_reset_event.h"

namespace lexora {

void AutoResetEvent::set() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    set_ = true;
  }
  cv_.notify_one();
}

void AutoResetEvent::wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait(lock, [this] { return set_; });
  set_ = false;
}

bool AutoResetEvent::wait_for(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!cv_.wait_for(lock, timeout, [this] { return set_; })) return false;
  set_ = false;
  return true;
}

}  // namespace lexora
