#include "engine/fuzzy_index.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "compiler/dictionary_writer.h"
#include "engine/dictionary.h"
#include "engine/dictionary_header.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

constexpr std::uint32_t kEnglishLocale = 0x0409;

std::u16string random_word(std::mt19937& rng, std::u16string_view alphabet, int min_len,
                           int max_len) {
  std::uniform_int_distribution<int> length(min_len, max_len);
  std::uniform_int_distribution<std::size_t> letter(0, alphabet.size() - 1);
  std::u16string word;
  for (int i = length(rng); i > 0; --i) word += alphabet[letter(rng)];
  return word;
}

// A word one random edit away from `word` (insertion, deletion or substitution).
std::u16string mutate(std::mt19937& rng, std::u16string word, std::u16string_view alphabet) {
  std::uniform_int_distribution<int> kind(0, 2);
  std::uniform_int_distribution<std::size_t> letter(0, alphabet.size() - 1);
  std::uniform_int_distribution<std::size_t> at(0, word.size());
  const std::size_t pos = at(rng);
  switch (kind(rng)) {
    case 0:
      word.insert(word.begin() + static_cast<std::ptrdiff_t>(pos), alphabet[letter(rng)]);
      break;
    case 1:
      if (pos < word.size()) word.erase(pos, 1);
      break;
    default:
      if (pos < word.size()) word[pos] = alphabet[letter(rng)];
  }
  return word;
}

// (key text, distance) of every key within `distance`, from the index and
// from a scan of all keys with the plain dynamic-programming distance.
using Found = std::map<std::u16string, int>;

Found from_index(const FuzzyIndex& index, std::u16string_view query, int distance) {
  std::vector<KeyMatch> matches;
  index.keys_within(index.fold(query), distance, &matches);
  Found found;
  for (const KeyMatch& m : matches) {
    EXPECT_TRUE(found.emplace(std::u16string(index.key(m.key)), m.distance).second)
        << "key reported twice";
  }
  return found;
}

Found from_scan(const FuzzyIndex& index, std::u16string_view query, int distance) {
  const std::u16string folded = index.fold(query);
  Found found;
  for (std::uint32_t k = 0; k < index.key_count(); ++k) {
    const int d = edit_distance(folded, index.key(k));
    if (d <= distance) found.emplace(std::u16string(index.key(k)), d);
  }
  return found;
}

void check_against_scan(std::u16string_view alphabet, std::uint32_t seed, int max_len) {
  std::mt19937 rng(seed);
  std::vector<std::u16string> words;
  for (int i = 0; i < 3000; ++i) words.push_back(random_word(rng, alphabet, 1, max_len));
  const FuzzyIndex index = FuzzyIndex::build(words, kEnglishLocale);
  std::uniform_int_distribution<std::size_t> pick(0, words.size() - 1);
  for (int q = 0; q < 150; ++q) {
    std::u16string query;
    switch (q % 3) {
      case 0:
        query = mutate(rng, words[pick(rng)], alphabet);
        break;
      case 1:
        query = mutate(rng, mutate(rng, words[pick(rng)], alphabet), alphabet);
        break;
      default:
        query = random_word(rng, alphabet, 0, max_len);
    }
    for (int distance = 0; distance <= kMaxFuzzyDistance; ++distance) {
      ASSERT_EQ(from_index(index, query, distance), from_scan(index, query, distance))
          << "query " << q << " distance " << distance;
    }
  }
}

TEST(FuzzyIndexTest, LatinWordsMatchABruteForceScan) {
  // A small alphabet with both cases makes many near neighbours and case pairs.
  check_against_scan(u"abcdeEFGH", 11, 8);
}

TEST(FuzzyIndexTest, CyrillicWordsMatchABruteForceScan) {
  check_against_scan(u"абвгдеёжзийАБВЁЙ", 12, 9);
}

TEST(FuzzyIndexTest, MixedScriptsWithPunctuationMatchABruteForceScan) {
  check_against_scan(u"aбc-' .!Д", 13, 7);
}

TEST(FuzzyIndexTest, FoldingIgnoresCaseAndPunctuationAtTheEnds) {
  const std::vector<std::u16string> words = {u"House", u"house", u"o'clock", u"etc.", u"!", u"Ёж"};
  const FuzzyIndex index = FuzzyIndex::build(words, kEnglishLocale);
  EXPECT_EQ(index.fold(u"  HOUSE!"), u"house");
  EXPECT_EQ(index.fold(u"-ing"), u"-ing");
  EXPECT_EQ(index.fold(u"O'Clock"), u"o'clock");
  EXPECT_EQ(index.fold(u"?!"), u"?!");
  EXPECT_EQ(index.fold(u"ЁЖ"), u"ёж");
  // House and house share one key.
  EXPECT_EQ(index.key_count(), 5u);
  const std::uint32_t k = index.find_key(u"house");
  ASSERT_LT(k, index.key_count());
  EXPECT_EQ(std::vector<std::uint32_t>(index.positions(k).begin(), index.positions(k).end()),
            (std::vector<std::uint32_t>{0, 1}));
  EXPECT_LT(index.find_key(u"etc"), index.key_count());
  EXPECT_LT(index.find_key(u"!"), index.key_count());
  EXPECT_EQ(index.find_key(u"hous"), index.key_count());
}

TEST(FuzzyIndexTest, SuggestOrdersByDistanceThenPositionAndCuts) {
  const std::vector<std::u16string> words = {u"hose",  u"house",     u"houses", u"mouse",
                                             u"horse", u"household", u"hous"};
  const FuzzyIndex index = FuzzyIndex::build(words, kEnglishLocale);
  const std::vector<FuzzyMatch> all = index.suggest(u"Hous", 2, 100);
  std::vector<std::pair<std::uint32_t, int>> got;
  for (const FuzzyMatch& m : all) got.emplace_back(m.index, m.distance);
  EXPECT_EQ(got, (std::vector<std::pair<std::uint32_t, int>>{
                     {6, 0}, {1, 1}, {0, 2}, {2, 2}, {3, 2}, {4, 2}}));
  const std::vector<FuzzyMatch> two = index.suggest(u"hous", 2, 2);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[1].index, 1u);
  // Distances beyond the supported range are clipped.
  EXPECT_EQ(index.suggest(u"hous", 7, 100).size(), all.size());
  EXPECT_EQ(index.suggest(u"hous", -1, 100).size(), 1u);
}

TEST(FuzzyIndexTest, PrefixRangeCoversTheKeysThatBeginWithTheText) {
  const std::vector<std::u16string> words = {u"ab", u"abc", u"abd", u"b", u"a", u"ABE", u"aa"};
  const FuzzyIndex index = FuzzyIndex::build(words, kEnglishLocale);
  const auto [first, last] = index.prefix_range(u"ab");
  std::set<std::u16string> keys;
  for (std::uint32_t k = first; k < last; ++k) keys.insert(std::u16string(index.key(k)));
  EXPECT_EQ(keys, (std::set<std::u16string>{u"ab", u"abc", u"abd", u"abe"}));
  const auto none = index.prefix_range(u"zz");
  EXPECT_EQ(none.first, none.second);
  const auto every = index.prefix_range(u"");
  EXPECT_EQ(every.second - every.first, index.key_count());
}

TEST(FuzzyIndexTest, EmptyIndexAnswersNothing) {
  const FuzzyIndex index = FuzzyIndex::build(std::vector<std::u16string>{}, kEnglishLocale);
  EXPECT_TRUE(index.suggest(u"word", 2, 10).empty());
  EXPECT_EQ(index.find_key(u"word"), 0u);
  const FuzzyIndex empty_word = FuzzyIndex::build(std::vector<std::u16string>{u""}, kEnglishLocale);
  ASSERT_EQ(empty_word.suggest(u"ab", 2, 10).size(), 1u);
  EXPECT_TRUE(empty_word.suggest(u"abc", 2, 10).empty());
}

TEST(FuzzyIndexTest, BuildsFromAnOpenDictionaryInItsCodePage) {
  test::TempDir dir;
  compiler::DictionarySource source;
  for (const char16_t* w : {u"дом", u"Дома", u"house", u"кот"})
    source.entries.emplace_back(w, u"x");
  compiler::DictionaryOptions options;  // code page 1251, Russian
  const std::string path = dir.file("d.zd");
  std::string error;
  ASSERT_TRUE(compiler::write_dictionary_file(path, source, options, &error)) << error;
  Dictionary dict;
  ASSERT_TRUE(dict.open_dictionary(path));
  const FuzzyIndex index = FuzzyIndex::build(dict);
  EXPECT_EQ(index.headword_count(), dict.word_count());
  std::set<std::u16string> found;
  for (const FuzzyMatch& m : index.suggest(u"ДОМ", 1, 10))
    found.insert(std::u16string(*dict.word_at(m.index)));
  EXPECT_EQ(found, (std::set<std::u16string>{u"дом", u"Дома"}));
  EXPECT_GT(index.memory_bytes(), 0u);
  Dictionary closed;
  EXPECT_EQ(FuzzyIndex::build(closed).key_count(), 0u);
}

}  // namespace
}  // namespace lexora
