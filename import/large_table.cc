#include "import/large_table.h"

#include <sys/mman.h>

#include <cstdint>

#include "platform/memory_checkers.h"

namespace lexora::import {
namespace {

// Tables from this size on are mapped; below it the heap serves better.
constexpr std::size_t kMappedFrom = std::size_t{1} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;
#if defined(LEXORA_MEMORY_CHECKED)
constexpr bool kMemoryChecked = true;
#else
constexpr bool kMemoryChecked = false;
#endif

std::size_t mapped_size(std::size_t bytes) {
  return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

}  // namespace

void* allocate_large_table(std::size_t bytes) {
  if (bytes < kMappedFrom || kMemoryChecked) return ::operator new(bytes);
  if (bytes > std::numeric_limits<std::size_t>::max() - 2 * kHugePage) throw std::bad_alloc();
  const std::size_t size = mapped_size(bytes);
  // A huge page needs an aligned start: a page more is mapped, and what lies
  // before the first aligned address and after the table is given back.
  void* mapped =
      mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
  if (aligned > start) munmap(mapped, aligned - start);
  const std::uintptr_t end = aligned + size;
  const std::uintptr_t mapped_end = start + size + kHugePage;
  if (mapped_end > end) munmap(reinterpret_cast<void*>(end), mapped_end - end);
  void* table = reinterpret_cast<void*>(aligned);
  // Advice only: without huge pages the table is filled a page at a time.
  madvise(table, size, MADV_HUGEPAGE);
  return table;
}

void free_large_table(void* table, std::size_t bytes) noexcept {
  if (table == nullptr) return;
  if (bytes < kMappedFrom || kMemoryChecked) {
    ::operator delete(table);
    return;
  }
  munmap(table, mapped_size(bytes));
}

}  // namespace lexora::import
