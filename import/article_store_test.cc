#include "import/article_store.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
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

// A source that makes text `offset` as "text <offset>" (plus what `extra`
// holds for it), counting the texts it made.
class NumberedSource final : public ArticleSource {
 public:
  bool markup(SourceSpan span, std::string* markup, std::string* error) override {
    ++made;
    if (span.offset == missing) {
      *error = "cannot read";
      return false;
    }
    *markup = "text " + std::to_string(span.offset) + extra[span.offset];
    return true;
  }
  std::string file() const override { return "numbers.txt"; }

  std::map<std::uint64_t, std::string> extra;
  std::uint64_t missing = ~std::uint64_t{0};
  int made = 0;
};

TEST(ArticleStore, SourcedTextsAreMadeAgainAndCheckedAgainstWhatWasAdded) {
  auto source = std::make_shared<NumberedSource>();
  ArticleStore store;
  store.set_source(source);
  const std::uint32_t held = store.add("held text", false);
  for (std::uint64_t k = 0; k < 5; ++k)
    ASSERT_EQ(store.add_sourced("text " + std::to_string(k), SourceSpan{k, 1}, true), held + 1 + k);
  store.add_sourced("dropped", SourceSpan{9, 1}, false);
  store.drop_last();
  EXPECT_EQ(store.size(), 6u);
  std::string_view text;
  std::string error;
  ASSERT_TRUE(store.read(held, &text, &error));
  EXPECT_EQ(text, "held text");
  ASSERT_TRUE(store.read(3, &text, &error)) << error;
  EXPECT_EQ(text, "text 2");
  EXPECT_TRUE(store.preformatted(3));
  // Duplicates: another size or checksum is told apart without the source.
  const int made = source->made;
  EXPECT_FALSE(store.same_text(3, "text 3"));
  EXPECT_FALSE(store.same_text(3, "text 22"));
  EXPECT_EQ(source->made, made);
  EXPECT_TRUE(store.same_text(3, "text 2"));
  // The source now gives other text of the same size, or none at all.
  source->extra[2] = "!";
  EXPECT_FALSE(store.read(3, &text, &error));
  EXPECT_EQ(error,
            "numbers.txt: offset 2: the text changed while the dictionary was being converted");
  source->extra[2] = "";
  source->missing = 4;
  EXPECT_FALSE(store.read(5, &text, &error));
  EXPECT_EQ(error, "cannot read");
  EXPECT_FALSE(store.same_text(5, "text 4"));
}

}  // namespace
}  // namespace lexora::import
