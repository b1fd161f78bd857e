// Storage for the large tables of an import (index entries, headwords,
// article places): a table of a megabyte or more is mapped on its own and
// the system is asked to back it with huge pages, so that filling it costs
// a page fault per 2 MiB rather than one per 4 KiB (tens of thousands of
// faults for a large dictionary, each of several microseconds on a virtual
// machine). Smaller tables come from the heap as usual. Where huge pages
// are off, the advice is ignored and the table is an ordinary mapping.
#ifndef LEXORA_IMPORT_LARGE_TABLE_H_
#define LEXORA_IMPORT_LARGE_TABLE_H_

#include <cstddef>
#include <limits>
#include <new>
#include <string>
#include <vector>

namespace lexora::import {

// Room for `bytes`: never null (std::bad_alloc when there is none). Freed
// with free_large_table and the same size.
void* allocate_large_table(std::size_t bytes);
void free_large_table(void* table, std::size_t bytes) noexcept;

template <typename T>
class LargeTableAllocator {
 public:
  using value_type = T;
  LargeTableAllocator() noexcept = default;
  template <typename U>
  LargeTableAllocator(const LargeTableAllocator<U>& /*other*/) noexcept {}

  T* allocate(std::size_t n) {
    if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(allocate_large_table(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept { free_large_table(p, n * sizeof(T)); }

  friend bool operator==(const LargeTableAllocator&, const LargeTableAllocator&) { return true; }
};

template <typename T>
using LargeVector = std::vector<T, LargeTableAllocator<T>>;
using LargeString = std::basic_string<char, std::char_traits<char>, LargeTableAllocator<char>>;

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_LARGE_TABLE_H_
