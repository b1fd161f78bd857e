#include "platform/heap_pages.h"

#include "platform/memory_checkers.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace lexora {
namespace {

// The flags of the heap's mappings ("hg": huge pages advised), one line
// each, from the process's detailed map list; empty when there is no heap.
std::string heap_flags() {
  std::ifstream smaps("/proc/self/smaps");
  std::string line, flags;
  bool in_heap = false;
  while (std::getline(smaps, line)) {
    // A mapping's first line begins with its address range; the others
    // with a field name and a colon.
    const std::string first = line.substr(0, line.find(' '));
    if (!first.empty() && first.back() != ':') in_heap = line.find(" [heap]") != std::string::npos;
    if (in_heap && line.rfind("VmFlags:", 0) == 0) flags += line + "\n";
  }
  return flags;
}

TEST(HeapPages, AdvisedHeapIsMarkedAndStillServesAllocations) {
  const bool advised = advise_huge_heap_pages(std::size_t{16} << 20);
#if defined(__GLIBC__) && !defined(LEXORA_MEMORY_CHECKED)
  // Memory checkers replace the C library's allocator; glibc's own heap is
  // always one range grown by sbrk.
  EXPECT_TRUE(advised);
#endif
  if (advised) {
    EXPECT_NE(heap_flags().find(" hg"), std::string::npos) << heap_flags();
  }
  // Asked again, it finds the heap as the first advice left it.
  EXPECT_EQ(advise_huge_heap_pages(std::size_t{16} << 20), advised);
  // Whatever the outcome, the heap works as before: blocks of every size
  // are given, written and freed.
  std::vector<std::vector<char>> blocks;
  for (std::size_t size = 16; size <= (std::size_t{8} << 20); size *= 4)
    blocks.emplace_back(size, static_cast<char>(size));
  for (const auto& b : blocks) EXPECT_EQ(b.back(), static_cast<char>(b.size()));
}

TEST(HeapPages, SizesOutsideTheSensibleRangeAreRefused) {
  EXPECT_FALSE(advise_huge_heap_pages(4096));
  EXPECT_FALSE(advise_huge_heap_pages(std::size_t{4} << 30));
}

}  // namespace
}  // namespace lexora
