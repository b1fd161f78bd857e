#include "dictd/strategies.h"

#include <locale.h>
#include <regex.h>

#include <algorithm>
#include <array>
#include <functional>
#include <unordered_set>

#include "dictd/database.h"
#include "engine/word_compare.h"
#include "platform/utf.h"

namespace lexora::dictd {
namespace {

constexpr std::array<StrategyInfo, 11> kStrategies = {{
    {Strategy::kExact, "exact", "Match headwords exactly"},
    {Strategy::kPrefix, "prefix", "Match the beginnings of headwords"},
    {Strategy::kSubstring, "substring", "Match text anywhere in a headword"},
    {Strategy::kSuffix, "suffix", "Match the ends of headwords"},
    {Strategy::kRe, "re", "POSIX extended regular expression"},
    {Strategy::kRegexp, "regexp", "POSIX basic regular expression"},
    {Strategy::kSoundex, "soundex", "Match headwords that sound alike (Soundex)"},
    {Strategy::kLev, "lev", "Match headwords within edit distance one"},
    {Strategy::kWord, "word", "Match any single word of a headword"},
    {Strategy::kFirst, "first", "Match the first word of a headword"},
    {Strategy::kLast, "last", "Match the last word of a headword"},
}};

constexpr std::size_t kSoundexLength = 4;

// Soundex digit of a lower-case Latin letter; '0' for the letters that
// separate codes (vowels and y), 'h' for h and w, which do not.
char soundex_digit(char16_t c) {
  switch (c) {
    case u'b':
    case u'f':
    case u'p':
    case u'v':
      return '1';
    case u'c':
    case u'g':
    case u'j':
    case u'k':
    case u'q':
    case u's':
    case u'x':
    case u'z':
      return '2';
    case u'd':
    case u't':
      return '3';
    case u'l':
      return '4';
    case u'm':
    case u'n':
      return '5';
    case u'r':
      return '6';
    case u'h':
    case u'w':
      return 'h';
    default:
      return '0';
  }
}

char16_t latin_lower(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c - u'A' + u'a');
  return c >= u'a' && c <= u'z' ? c : 0;
}

// The words of a folded key, separated where the lookup would trim.
template <typename Fn>
void for_each_word(std::u16string_view key, Fn&& fn) {
  std::size_t i = 0;
  while (i < key.size()) {
    while (i < key.size() && is_trimmed_punctuation(key[i])) ++i;
    const std::size_t start = i;
    while (i < key.size() && !is_trimmed_punctuation(key[i])) ++i;
    if (i > start) fn(key.substr(start, i - start));
  }
}

std::u16string_view first_word(std::u16string_view key) {
  std::u16string_view first;
  bool seen = false;
  for_each_word(key, [&](std::u16string_view w) {
    if (!seen) first = w;
    seen = true;
  });
  return first;
}

std::u16string_view last_word(std::u16string_view key) {
  std::u16string_view last;
  for_each_word(key, [&](std::u16string_view w) { last = w; });
  return last;
}

void add_key(const DatabaseIndex& index, std::uint32_t k, std::vector<std::uint32_t>* out) {
  const auto positions = index.fuzzy.positions(k);
  out->insert(out->end(), positions.begin(), positions.end());
}

void scan_keys(const DatabaseIndex& index, const std::function<bool(std::u16string_view)>& test,
               std::vector<std::uint32_t>* out) {
  for (std::uint32_t k = 0; k < index.fuzzy.key_count(); ++k)
    if (test(index.fuzzy.key(k))) add_key(index, k, out);
}

// The thread uses a UTF-8 character type while a pattern is compiled and
// run, so that "." and bracket expressions take whole characters.
class Utf8CharacterLocale {
 public:
  Utf8CharacterLocale() {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (utf8 != static_cast<locale_t>(0)) previous_ = uselocale(utf8);
  }
  ~Utf8CharacterLocale() {
    if (previous_ != static_cast<locale_t>(0)) uselocale(previous_);
  }
  Utf8CharacterLocale(const Utf8CharacterLocale&) = delete;
  Utf8CharacterLocale& operator=(const Utf8CharacterLocale&) = delete;

 private:
  locale_t previous_ = static_cast<locale_t>(0);
};

bool has_back_reference(std::string_view pattern) {
  for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
    if (pattern[i] != '\\') continue;
    if (pattern[i + 1] >= '1' && pattern[i + 1] <= '9') return true;
    ++i;  // an escaped backslash does not start the next escape
  }
  return false;
}

MatchStatus match_pattern(const DatabaseIndex& index, std::string_view pattern, bool extended,
                          std::vector<std::uint32_t>* out) {
  if (has_back_reference(pattern)) return MatchStatus::kBadPattern;
  Utf8CharacterLocale utf8;
  regex_t re;
  const std::string text(pattern);
  const int flags = REG_ICASE | REG_NOSUB | (extended ? REG_EXTENDED : 0);
  if (regcomp(&re, text.c_str(), flags) != 0) return MatchStatus::kBadPattern;
  for (std::uint32_t i = 0; i < index.headword_count(); ++i)
    if (regexec(&re, index.headword_c_str(i), 0, nullptr, 0) == 0) out->push_back(i);
  regfree(&re);
  return MatchStatus::kOk;
}

// Word-list order, and one position for each distinct headword text.
void sort_and_deduplicate(const DatabaseIndex& index, std::vector<std::uint32_t>* positions) {
  std::sort(positions->begin(), positions->end());
  positions->erase(std::unique(positions->begin(), positions->end()), positions->end());
  std::unordered_set<std::string_view> seen;
  std::erase_if(*positions,
                [&](std::uint32_t i) { return !seen.insert(index.headword(i)).second; });
}

}  // namespace

std::span<const StrategyInfo> all_strategies() {
  return kStrategies;
}

const StrategyInfo& strategy_info(Strategy strategy) {
  for (const StrategyInfo& info : kStrategies)
    if (info.id == strategy) return info;
  return kStrategies.front();
}

std::optional<Strategy> strategy_by_name(std::string_view name) {
  for (const StrategyInfo& info : kStrategies) {
    if (info.name.size() != name.size()) continue;
    if (std::equal(name.begin(), name.end(), info.name.begin(),
                   [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b; }))
      return info.id;
  }
  return std::nullopt;
}

std::string soundex(std::u16string_view text) {
  std::string code;
  char previous = 0;
  for (char16_t unit : text) {
    const char16_t c = latin_lower(unit);
    if (c == 0) continue;
    const char digit = soundex_digit(c);
    if (code.empty()) {
      code += static_cast<char>(c - u'a' + 'A');
      previous = digit;
      continue;
    }
    if (digit == 'h') continue;  // h and w keep the code before them alive
    if (digit != '0' && digit != previous) code += digit;
    previous = digit;
    if (code.size() == kSoundexLength) break;
  }
  if (!code.empty()) code.resize(kSoundexLength, '0');
  return code;
}

MatchStatus match_headwords(const DatabaseIndex& index, Strategy strategy, std::string_view word,
                            std::vector<std::uint32_t>* positions) {
  positions->clear();
  const FuzzyIndex& fuzzy = index.fuzzy;
  const std::u16string query = fuzzy.fold(utf8_to_utf16(word));
  switch (strategy) {
    case Strategy::kExact: {
      const std::uint32_t k = fuzzy.find_key(query);
      if (k < fuzzy.key_count()) add_key(index, k, positions);
      break;
    }
    case Strategy::kPrefix: {
      const auto [first, last] = fuzzy.prefix_range(query);
      for (std::uint32_t k = first; k < last; ++k) add_key(index, k, positions);
      break;
    }
    case Strategy::kSubstring:
      scan_keys(
          index, [&](std::u16string_view key) { return key.find(query) != key.npos; }, positions);
      break;
    case Strategy::kSuffix:
      scan_keys(
          index, [&](std::u16string_view key) { return key.ends_with(query); }, positions);
      break;
    case Strategy::kRe:
    case Strategy::kRegexp:
      if (match_pattern(index, word, strategy == Strategy::kRe, positions) != MatchStatus::kOk)
        return MatchStatus::kBadPattern;
      break;
    case Strategy::kSoundex: {
      const std::string code = soundex(query);
      if (code.empty()) break;
      scan_keys(
          index, [&](std::u16string_view key) { return soundex(key) == code; }, positions);
      break;
    }
    case Strategy::kWord:
      scan_keys(
          index,
          [&](std::u16string_view key) {
            bool found = false;
            for_each_word(key, [&](std::u16string_view w) { found = found || w == query; });
            return found;
          },
          positions);
      break;
    case Strategy::kFirst:
      scan_keys(
          index, [&](std::u16string_view key) { return first_word(key) == query; }, positions);
      break;
    case Strategy::kLast:
      scan_keys(
          index, [&](std::u16string_view key) { return last_word(key) == query; }, positions);
      break;
    case Strategy::kLev: {
      std::vector<KeyMatch> keys;
      fuzzy.keys_within(query, 1, &keys);
      for (const KeyMatch& m : keys) add_key(index, m.key, positions);
      break;
    }
  }
  sort_and_deduplicate(index, positions);
  return MatchStatus::kOk;
}

std::vector<std::uint32_t> define_positions(const DatabaseIndex& index, std::string_view word) {
  std::vector<std::uint32_t> positions;
  const std::uint32_t k = index.fuzzy.find_key(index.fuzzy.fold(utf8_to_utf16(word)));
  if (k < index.fuzzy.key_count()) add_key(index, k, &positions);
  return positions;
}

}  // namespace lexora::dictd
