// The MATCH strategies. Every strategy but the two regular-expression ones
// compares folded texts (case ignored, punctuation at the ends trimmed, as
// the lookup does): the folded query against each headword's folded key.
#ifndef LEXORA_DICTD_STRATEGIES_H_
#define LEXORA_DICTD_STRATEGIES_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lexora::dictd {

struct DatabaseIndex;

enum class Strategy {
  kExact,
  kPrefix,
  kSubstring,
  kSuffix,
  kRe,
  kRegexp,
  kSoundex,
  kWord,
  kFirst,
  kLast,
  kLev,
};

struct StrategyInfo {
  Strategy id;
  std::string_view name;
  std::string_view description;
};

inline constexpr Strategy kDefaultStrategy = Strategy::kLev;

// Every strategy the server knows, in the order SHOW STRAT lists them.
std::span<const StrategyInfo> all_strategies();
const StrategyInfo& strategy_info(Strategy strategy);
// By name, case ignored.
std::optional<Strategy> strategy_by_name(std::string_view name);

enum class MatchStatus { kOk, kBadPattern };

// The headwords of `index` that match `word` (UTF-8) by `strategy`, as
// positions in word-list order, no two of them with the same text. re is a
// POSIX extended, regexp a POSIX basic regular expression over the
// headwords (not folded; case ignored); a pattern that does not compile, or
// that uses back-references, is kBadPattern.
MatchStatus match_headwords(const DatabaseIndex& index, Strategy strategy, std::string_view word,
                            std::vector<std::uint32_t>* positions);

// The positions of the headwords whose folded key equals the folded `word`,
// in word-list order (every entry, duplicates included): what DEFINE shows.
std::vector<std::uint32_t> define_positions(const DatabaseIndex& index, std::string_view word);

// American Soundex of the Latin letters of `text` (others are skipped): a
// capital letter and three digits; empty when there is no Latin letter.
std::string soundex(std::u16string_view text);

}  // namespace lexora::dictd

#endif  // LEXORA_DICTD_STRATEGIES_H_
