#include "import/ordered_runs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace lexora::import {
namespace {

// Texts back to back, and where each ends.
struct MadeRun {
  std::string text;
  std::vector<std::size_t> ends;  // end of text i in `text`

  std::size_t count() const { return ends.size(); }
  std::string_view at(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends[i - 1];
    return std::string_view(text).substr(begin, ends[i] - begin);
  }
  void clear() {
    text.clear();
    ends.clear();
  }
};

// Run r holds r+1 texts "r.i"; odd runs take longer, so that workers finish
// out of order.
void make_numbered(std::size_t run, MadeRun* out) {
  if (run % 2 == 1) std::this_thread::sleep_for(std::chrono::microseconds(300));
  for (std::size_t i = 0; i <= run % 5; ++i) {
    out->text += std::to_string(run) + "." + std::to_string(i);
    out->ends.push_back(out->text.size());
  }
}

TEST(OrderedRunsTest, HandsRunsBackInOrderWhateverTheThreads) {
  for (unsigned threads : {0u, 1u, 3u}) {
    OrderedRuns<MadeRun> runs(
        threads, 40, [](unsigned, std::size_t run, MadeRun* out) { make_numbered(run, out); });
    for (std::size_t r = 0; r < 40; ++r) {
      const MadeRun* run = runs.next();
      ASSERT_NE(run, nullptr) << threads << " threads, run " << r;
      ASSERT_EQ(run->count(), r % 5 + 1);
      for (std::size_t i = 0; i < run->count(); ++i)
        EXPECT_EQ(run->at(i), std::to_string(r) + "." + std::to_string(i));
    }
    EXPECT_EQ(runs.next(), nullptr);
  }
}

TEST(OrderedRunsTest, RunBeingReadIsNotOverwrittenByWorkersAhead) {
  OrderedRuns<MadeRun> runs(2, 30, [](unsigned, std::size_t run, MadeRun* out) {
    out->text = std::string(1000, static_cast<char>('a' + run % 26));
    out->ends.push_back(out->text.size());
  });
  for (std::size_t r = 0; r < 30; ++r) {
    const MadeRun* run = runs.next();
    ASSERT_NE(run, nullptr);
    // Give the workers time to fill every slot they may.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(run->text, std::string(1000, static_cast<char>('a' + r % 26))) << "run " << r;
  }
}

TEST(OrderedRunsTest, EachWorkerNumberIsUsedByOneThreadAtATime) {
  std::atomic<int> busy[2] = {0, 0};
  std::atomic<bool> shared{false};
  {
    OrderedRuns<MadeRun> runs(2, 200, [&](unsigned worker, std::size_t, MadeRun* out) {
      if (busy[worker].fetch_add(1) != 0) shared = true;
      std::this_thread::sleep_for(std::chrono::microseconds(50));
      busy[worker].fetch_sub(1);
      out->ends.push_back(0);
    });
    while (runs.next() != nullptr) {
    }
  }
  EXPECT_FALSE(shared);
}

TEST(OrderedRunsTest, StoppingEarlyMakesNoMoreRuns) {
  std::atomic<std::size_t> made{0};
  {
    OrderedRuns<MadeRun> runs(2, 1000, [&](unsigned, std::size_t, MadeRun* out) {
      ++made;
      out->ends.push_back(0);
    });
    ASSERT_NE(runs.next(), nullptr);
    ASSERT_NE(runs.next(), nullptr);
  }
  // Two taken, and at most the slots' worth made ahead of them.
  EXPECT_LE(made.load(), 2u + 4u);
}

}  // namespace
}  // namespace lexora::import
