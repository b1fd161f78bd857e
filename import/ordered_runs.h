// Work cut into numbered runs, done on worker threads and handed back in
// run order: the writer of an import makes the articles of the next runs
// while it writes the one before, on every core, and the file still comes
// out the same whatever the number of threads.
#ifndef LEXORA_IMPORT_ORDERED_RUNS_H_
#define LEXORA_IMPORT_ORDERED_RUNS_H_

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace lexora::import {

// `Run` is default-constructible and has clear(); each slot's Run is
// reused, so its buffers keep their room from one run to the next.
template <typename Run>
class OrderedRuns {
 public:
  // make(worker, run, out) fills *out (cleared beforehand) with run `run`;
  // `worker` (0 .. threads-1, or 0 on the calling thread) lets the caller
  // keep one state per thread. With `threads` 0 each run is made inside
  // next(). At most 2 runs per worker are made ahead of the one taken.
  OrderedRuns(unsigned threads, std::size_t run_count,
              std::function<void(unsigned worker, std::size_t run, Run* out)> make)
      : run_count_(run_count), make_(std::move(make)), slots_(std::max(1u, 2 * threads)) {
    for (unsigned w = 0; w < threads; ++w) workers_.emplace_back([this, w] { work(w); });
  }
  // Stops the workers: runs being made are finished and thrown away.
  ~OrderedRuns() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    free_.notify_all();
    for (std::thread& t : workers_) t.join();
  }
  OrderedRuns(const OrderedRuns&) = delete;
  OrderedRuns& operator=(const OrderedRuns&) = delete;

  // The next run in order, valid until the next call; null after the last.
  const Run* next() {
    if (taken_ == run_count_) return nullptr;
    Slot& slot = slots_[taken_ % slots_.size()];
    if (workers_.empty()) {
      slot.run.clear();
      make_(0, taken_++, &slot.run);
      return &slot.run;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    made_.wait(lock, [&] { return slot.ready && slot.number == taken_; });
    ++taken_;
    lock.unlock();
    free_.notify_all();
    return &slot.run;
  }

 private:
  struct Slot {
    Run run;
    std::size_t number = 0;
    bool ready = false;
  };
  void work(unsigned worker) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      // The slot of the next run is free once the run made in it before has
      // been taken; the one taken last stays untouched while the caller
      // reads it.
      free_.wait(lock, [&] {
        return stopping_ || claimed_ == run_count_ || claimed_ + 1 < taken_ + slots_.size() ||
               (taken_ == 0 && claimed_ < slots_.size());
      });
      if (stopping_ || claimed_ == run_count_) return;
      const std::size_t number = claimed_++;
      Slot& slot = slots_[number % slots_.size()];
      slot.ready = false;
      slot.number = number;
      lock.unlock();
      slot.run.clear();
      make_(worker, number, &slot.run);
      lock.lock();
      slot.ready = true;
      made_.notify_all();
    }
  }

  const std::size_t run_count_;
  const std::function<void(unsigned, std::size_t, Run*)> make_;
  std::vector<Slot> slots_;  // run r is made in slots_[r % size]
  std::mutex mutex_;
  std::condition_variable made_;  // a run is ready
  std::condition_variable free_;  // a slot was taken back, or stopping
  std::size_t claimed_ = 0;       // runs handed to workers so far
  std::size_t taken_ = 0;         // runs handed back by next()
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_ORDERED_RUNS_H_
