#include "dictd/strategies.h"

#include <gtest/gtest.h>

#include "dictd/database.h"
#include "dictd/dictd_test_util.h"
#include "engine/dictionary.h"
#include "testing/test_files.h"

namespace lexora::dictd {
namespace {

TEST(SoundexTest, GivesTheClassicCodes) {
  EXPECT_EQ(soundex(u"Robert"), "R163");
  EXPECT_EQ(soundex(u"Rupert"), "R163");
  EXPECT_EQ(soundex(u"Tymczak"), "T522");
  EXPECT_EQ(soundex(u"Pfister"), "P236");
  EXPECT_EQ(soundex(u"Ashcraft"), "A261");
  EXPECT_EQ(soundex(u"Honeyman"), "H555");
  EXPECT_EQ(soundex(u"Lee"), "L000");
  EXPECT_EQ(soundex(u"o'Hara"), "O600");
  EXPECT_EQ(soundex(u"дом"), "");
}

TEST(StrategyTest, NamesAreCaseInsensitive) {
  EXPECT_EQ(strategy_by_name("LEV"), Strategy::kLev);
  EXPECT_EQ(strategy_by_name("Prefix"), Strategy::kPrefix);
  EXPECT_FALSE(strategy_by_name("lev2"));
  EXPECT_EQ(all_strategies().size(), 11u);
  EXPECT_EQ(strategy_info(Strategy::kRe).name, "re");
}

class MatchTest : public ::testing::Test {
 protected:
  MatchTest() {
    test::write_test_dictionary(dir_.file("d.zd"), {{u"Bank", u"1"},
                                                    {u"bank", u"2"},
                                                    {u"bank", u"3"},
                                                    {u"bank-note", u"4"},
                                                    {u"river bank", u"5"},
                                                    {u"Ёлка", u"6"},
                                                    {u"ёлки", u"7"}});
    EXPECT_TRUE(dict_.open_dictionary(dir_.file("d.zd")));
    index_ = build_database_index(dict_);
  }

  std::vector<std::string> match(Strategy s, std::string_view word) {
    std::vector<std::uint32_t> positions;
    EXPECT_EQ(match_headwords(index_, s, word, &positions), MatchStatus::kOk);
    std::vector<std::string> words;
    for (std::uint32_t p : positions) {
      if (!words.empty()) {
        EXPECT_LT(positions[words.size() - 1], p);  // word-list order
      }
      words.emplace_back(index_.headword(p));
    }
    return words;
  }

  lexora::test::TempDir dir_;
  Dictionary dict_;
  DatabaseIndex index_;
};

TEST_F(MatchTest, EachHeadwordTextIsListedOnce) {
  const auto exact = match(Strategy::kExact, "BANK");
  EXPECT_EQ(exact.size(), 2u);
  EXPECT_NE(std::find(exact.begin(), exact.end(), "Bank"), exact.end());
  EXPECT_NE(std::find(exact.begin(), exact.end(), "bank"), exact.end());
  // DEFINE shows every entry, repeats included.
  EXPECT_EQ(define_positions(index_, "bank").size(), 3u);
  EXPECT_TRUE(define_positions(index_, "banks").empty());
}

TEST_F(MatchTest, WordStrategiesSplitAtBlanksAndPunctuationButNotHyphens) {
  EXPECT_EQ(match(Strategy::kWord, "bank").size(), 3u);  // Bank, bank, river bank
  EXPECT_EQ(match(Strategy::kFirst, "river"), (std::vector<std::string>{"river bank"}));
  EXPECT_EQ(match(Strategy::kLast, "note"), std::vector<std::string>{});
  EXPECT_EQ(match(Strategy::kSuffix, "-NOTE"), (std::vector<std::string>{"bank-note"}));
}

TEST_F(MatchTest, CyrillicFoldsForEveryStrategy) {
  EXPECT_EQ(match(Strategy::kPrefix, "ЁЛ").size(), 2u);
  EXPECT_EQ(match(Strategy::kLev, "ёлко"), (std::vector<std::string>{"Ёлка", "ёлки"}));
  EXPECT_EQ(match(Strategy::kRe, "^ёл.а$"), (std::vector<std::string>{"Ёлка"}));
  EXPECT_EQ(match(Strategy::kRegexp, "^Ё\\(л\\)к[аи]$").size(), 2u);
}

TEST_F(MatchTest, PatternsThatDoNotCompileOrReferBackAreRefused) {
  std::vector<std::uint32_t> positions;
  EXPECT_EQ(match_headwords(index_, Strategy::kRe, "a[", &positions), MatchStatus::kBadPattern);
  EXPECT_EQ(match_headwords(index_, Strategy::kRegexp, "\\(a\\)\\1", &positions),
            MatchStatus::kBadPattern);
  EXPECT_EQ(match_headwords(index_, Strategy::kRe, "a\\\\1", &positions), MatchStatus::kOk);
}

}  // namespace
}  // namespace lexora::dictd
