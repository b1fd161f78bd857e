#include "platform/heap_pages.h"

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/memory_checkers.h"

namespace lexora {

#if defined(__GLIBC__) && !defined(LEXORA_MEMORY_CHECKED)

namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
// Blocks allocated to make the heap grow: below the size that glibc maps on
// its own, so that they come from the heap.
constexpr std::size_t kGrowthBlock = 64 * 1024;
constexpr int kMaxGrowthBlocks = 64;

// The range of the heap as the system maps it: the "[heap]" lines of the
// process's map list (several once advice has split the range).
bool heap_range(std::uintptr_t* begin, std::uintptr_t* end) {
  std::FILE* maps = std::fopen("/proc/self/maps", "re");
  if (maps == nullptr) return false;
  char line[512];
  bool found = false;
  while (std::fgets(line, sizeof line, maps) != nullptr) {
    unsigned long long from = 0, to = 0;
    if (std::strstr(line, "[heap]") == nullptr || std::sscanf(line, "%llx-%llx", &from, &to) != 2 ||
        from >= to)
      continue;
    *begin = found ? std::min(*begin, static_cast<std::uintptr_t>(from)) : from;
    *end = found ? std::max(*end, static_cast<std::uintptr_t>(to)) : to;
    found = true;
  }
  std::fclose(maps);
  return found;
}

}  // namespace

bool advise_huge_heap_pages(std::size_t reserve) {
  if (reserve < kHugePage || reserve > (std::size_t{1} << 30)) return false;
  // From now on every growth of the heap adds `reserve` beyond the request,
  // and the heap is never trimmed below it.
  if (mallopt(M_TOP_PAD, static_cast<int>(reserve)) != 1) return false;
  // Grow it now: blocks are taken until the heap's end moves (the free room
  // at its top may serve the first few, or all when it was grown before).
  const auto end_of_heap = [] { return reinterpret_cast<std::uintptr_t>(sbrk(0)); };
  const std::uintptr_t before = end_of_heap();
  std::vector<void*> blocks;
  blocks.reserve(kMaxGrowthBlocks);
  while (blocks.size() < kMaxGrowthBlocks && end_of_heap() == before) {
    void* block = malloc(kGrowthBlock);
    if (block == nullptr) break;
    blocks.push_back(block);
  }
  for (void* block : blocks) free(block);
  // The heap is advised as it now lies: one range ending at the break
  // (grown here, or by an earlier call).
  const std::uintptr_t end = end_of_heap();
  std::uintptr_t begin = 0, mapped_end = 0;
  if (!heap_range(&begin, &mapped_end) || mapped_end != end) return false;
  const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = end & ~(kHugePage - 1);
  if (last <= first) return false;
  return madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE) == 0;
}

#else

bool advise_huge_heap_pages(std::size_t /*reserve*/) {
  return false;
}

#endif

}  // namespace lexora
