#include "import/article_store.h"

#include <gtest/gtest.h>

#include <random>

namespace lexora::import {
namespace {

std::string text_of(int i) {
  std::string t = "article " + std::to_string(i) + ": ";
  for (int k = 0; k < 40 + i % 300; ++k) t += static_cast<char>('a' + (i * 7 + k) % 26);
  return t;
}

TEST(ArticleStore, TextsReadBackExactlyAcrossCompressedChunks) {
  ArticleStore store;
  constexpr int kCount = 12000;  // several 1 MiB chunks
  for (int i = 0; i < kCount; ++i)
    ASSERT_EQ(store.add(text_of(i), i % 3 == 0), static_cast<std::uint32_t>(i));
  // An article larger than a chunk, and the one after it.
  const std::string big(3 << 20, 'x');
  const std::uint32_t big_id = store.add(big, false);
  store.add("after", false);
  for (int i = 0; i < kCount; ++i) {
    ASSERT_EQ(store.text(i), text_of(i)) << i;
    ASSERT_EQ(store.preformatted(i), i % 3 == 0);
  }
  EXPECT_EQ(store.text(big_id), big);
  EXPECT_EQ(store.text(big_id + 1), "after");
  // In order, each chunk is inflated about once.
  EXPECT_FALSE(store.fully_inflated());
}

TEST(ArticleStore, ScatteredReadsEndInflatedForGoodNotSlower) {
  ArticleStore store;
  constexpr int kCount = 60000;  // a dozen chunks, far more than the cache holds
  for (int i = 0; i < kCount; ++i) store.add(text_of(i), false);
  std::mt19937 random(3);
  for (int n = 0; n < 5000; ++n) {
    const int i = static_cast<int>(random() % kCount);
    ASSERT_EQ(store.text(i), text_of(i));
  }
  EXPECT_TRUE(store.fully_inflated());
  const std::uint64_t inflations = store.inflations();
  for (int n = 0; n < 1000; ++n) store.text(random() % kCount);
  EXPECT_EQ(store.inflations(), inflations);
}

TEST(ArticleStore, DroppingTheLastTextFreesItsPlace) {
  ArticleStore store;
  store.add("one", false);
  store.add("two", true);
  store.drop_last();
  EXPECT_EQ(store.size(), 1u);
  EXPECT_EQ(store.add("three", false), 1u);
  EXPECT_EQ(store.text(1), "three");
  EXPECT_FALSE(store.preformatted(1));
}

}  // namespace
}  // namespace lexora::import
