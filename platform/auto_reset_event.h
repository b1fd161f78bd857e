// An event that wakes one waiter and resets itself, standing in for the
// system's auto-reset event objects. A set() with nobody waiting is kept
// until the next wait(), so a signal sent between a waiter's check and its
// wait is never lost; several set()s before a wait() count as one.
// Thread-safe; not copyable.
#ifndef LEXORA_PLATFORM_AUTO_RESET_EVENT_H_
#define LEXORA_PLATFORM_AUTO_RESET_EVENT_H_

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace lexora {

class AutoResetEvent {
 public:
  explicit AutoResetEvent(bool initially_set = false) : set_(initially_set) {}
  AutoResetEvent(const AutoResetEvent&) = delete;
  AutoResetEvent& operator=(const AutoResetEvent&) = delete;

  void set();
  // Blocks until the event is set, then clears it.
  void wait();
  // As wait(), giving up after `timeout`; true when the event was set.
  bool wait_for(std::chrono::milliseconds timeout);

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool set_;
};

}  // namespace lexora

#endif  // LEXORA_PLATFORM_AUTO_RESET_EVENT_H_
