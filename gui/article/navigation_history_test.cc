#include "gui/article/navigation_history.h"

#include <gtest/gtest.h>

namespace lexora {
namespace {

constexpr std::int32_t kA = 10;
constexpr std::int32_t kB = 20;
constexpr std::int32_t kC = 30;
constexpr std::int32_t kD = 40;
constexpr std::int32_t kPicture = kNoHistoryWord;

// Shows a page as the article window does: the page on display keeps its
// scroll position, then the new one is recorded at the top.
void visit(NavigationHistory* history, std::int32_t word, std::int32_t scrolled_to) {
  history->history_save_position(scrolled_to);
  history->history_record(word, 0);
}

TEST(NavigationHistory, EmptyHistoryGoesNowhere) {
  NavigationHistory history;
  std::int32_t position = 77;
  EXPECT_EQ(history.history_back(&position), kNoHistoryWord);
  EXPECT_EQ(history.history_forward(&position), kNoHistoryWord);
  EXPECT_EQ(position, 77);
  history.history_save_position(5);  // nothing to store it in
  EXPECT_TRUE(history.entries().empty());
  EXPECT_EQ(history.current(), -1);
}

TEST(NavigationHistory, FirstPageGreysBothWays) {
  NavigationHistory history;
  history.history_record(kA, 0);
  EXPECT_EQ(history.current(), 0);
  EXPECT_FALSE(history.can_go_back());
  EXPECT_FALSE(history.can_go_forward());
}

TEST(NavigationHistory, BackTwiceRestoresPositionsAndANewPageDropsTheForwardPart) {
  NavigationHistory history;
  history.history_record(kA, 0);
  visit(&history, kB, 120);  // A was scrolled to 120 when B was shown
  visit(&history, kC, 45);
  std::int32_t position = -1;
  EXPECT_EQ(history.history_back(&position), kB);
  EXPECT_EQ(position, 45);
  history.history_save_position(50);  // B scrolled a little more
  EXPECT_EQ(history.history_back(&position), kA);
  EXPECT_EQ(position, 120);
  EXPECT_FALSE(history.can_go_back());
  EXPECT_TRUE(history.can_go_forward());
  EXPECT_EQ(history.history_forward(&position), kB);
  EXPECT_EQ(position, 50);
  EXPECT_EQ(history.history_back(&position), kA);

  visit(&history, kD, 130);
  EXPECT_FALSE(history.can_go_forward());
  ASSERT_EQ(history.entries().size(), 2u);
  EXPECT_EQ(history.entries()[0].word, kA);
  EXPECT_EQ(history.entries()[0].position, 130);
  EXPECT_EQ(history.entries()[1].word, kD);
  EXPECT_EQ(history.entries()[1].position, 0);
}

TEST(NavigationHistory, BackFromAPicturePageRemovesIt) {
  NavigationHistory history;
  history.history_record(kA, 0);
  visit(&history, kPicture, 300);
  std::int32_t position = -1;
  EXPECT_EQ(history.history_back(&position), kA);
  EXPECT_EQ(position, 300);
  EXPECT_FALSE(history.can_go_forward());
  EXPECT_EQ(history.entries().size(), 1u);
  EXPECT_EQ(history.history_forward(&position), kNoHistoryWord);
}

TEST(NavigationHistory, BackOntoAPicturePageShowsNothingThenCutsIt) {
  NavigationHistory history;
  history.history_record(kA, 0);
  visit(&history, kPicture, 10);
  visit(&history, kB, 0);
  std::int32_t position = -1;
  // Back from B lands on the placeholder: nothing to show, B stays kept.
  EXPECT_EQ(history.history_back(&position), kNoHistoryWord);
  EXPECT_EQ(history.current(), 1);
  EXPECT_EQ(history.entries().size(), 3u);
  // A further Back shows A and drops the placeholder and B.
  EXPECT_EQ(history.history_back(&position), kA);
  EXPECT_EQ(position, 10);
  EXPECT_EQ(history.entries().size(), 1u);
  EXPECT_FALSE(history.can_go_forward());
}

TEST(NavigationHistory, ClearEmptiesAndKeepsPositionsWhole) {
  NavigationHistory history;
  history.history_record(kA, 0);
  history.history_save_position(70000);  // above 16 bits: kept in full
  history.history_record(kB, 0);
  std::int32_t position = 0;
  EXPECT_EQ(history.history_back(&position), kA);
  EXPECT_EQ(position, 70000);
  history.history_clear();
  EXPECT_EQ(history.current(), -1);
  EXPECT_TRUE(history.entries().empty());
  EXPECT_FALSE(history.can_go_back());
}

}  // namespace
}  // namespace lexora
