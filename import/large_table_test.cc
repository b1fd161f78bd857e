#include "import/large_table.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/memory_checkers.h"

namespace lexora::import {
namespace {

TEST(LargeTable, VectorKeepsItsContentsWhileGrowingPastTheMappedSize) {
  // From a few bytes on the heap to several mapped megabytes, through every
  // reallocation in between.
  LargeVector<std::uint64_t> table;
  for (std::uint64_t i = 0; i < (std::uint64_t{3} << 20) / sizeof(std::uint64_t) + 7; ++i)
    table.push_back(i * 2654435761u);
  for (std::size_t i = 0; i < table.size(); ++i) ASSERT_EQ(table[i], i * 2654435761u) << i;
  LargeVector<std::uint64_t> copy = table;
  table.clear();
  table.shrink_to_fit();
  EXPECT_EQ(copy.back(), (copy.size() - 1) * 2654435761u);
}

TEST(LargeTable, StringOfMegabytesIsWholeAndMappedOnAHugePageBoundary) {
  LargeString text;
  for (int i = 0; text.size() < (std::size_t{5} << 20); ++i) text += std::to_string(i) + ' ';
  EXPECT_EQ(text.substr(0, 10), "0 1 2 3 4 ");
  EXPECT_NE(text.find(" 500000 500001 "), LargeString::npos);
#if !defined(LEXORA_MEMORY_CHECKED)
  // A table this large is mapped on its own, aligned for huge pages.
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(text.data()) % (std::uintptr_t{2} << 20), 0u);
#endif
}

}  // namespace
}  // namespace lexora::import
