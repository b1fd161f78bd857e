// Matching of headwords by their folded form: exact, by prefix, and within
// an edit distance (Levenshtein: one insertion, deletion or substitution of
// a UTF-16 code unit costs 1) of at most kMaxFuzzyDistance.
//
// Folding (FuzzyIndex::fold) follows the lookup's rules: white space and
// punctuation other than ' - { } are trimmed from both ends, and the rest is
// lower-cased for the dictionary's locale. A text that is nothing but
// punctuation keeps its lower-cased form, so a headword such as "!" can still
// be matched.
//
// The index holds the distinct folded keys in code-unit order, each with the
// positions of the headwords that fold to it, and a trie over those keys. Its
// nodes are stored in breadth-first order, so the children of a node are
// consecutive and its child range ends where the next node's begins. A
// fuzzy query walks the trie depth first carrying one row of the
// edit-distance table per level and leaves every branch whose row has no
// cell within the limit: it visits only the prefixes that can still lead to
// a match, never every headword.
//
// An index is immutable once built: its const members may be called from
// several threads at once. It keeps no reference to the dictionary it was
// built from.
#ifndef LEXORA_ENGINE_FUZZY_INDEX_H_
#define LEXORA_ENGINE_FUZZY_INDEX_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lexora {

class Dictionary;
class WordCodec;

inline constexpr int kMaxFuzzyDistance = 2;

// A headword found by suggest(): its position in the word list and the edit
// distance of its folded form from the folded query.
struct FuzzyMatch {
  std::uint32_t index = 0;
  int distance = 0;
};

// A folded key found within the distance: its number in key order.
struct KeyMatch {
  std::uint32_t key = 0;
  int distance = 0;
};

class FuzzyIndex {
 public:
  // Index of the open dictionary's headwords (decoded from words_code_page,
  // folded for its locale). A closed dictionary gives an empty index.
  static FuzzyIndex build(const Dictionary& dict);
  // Index of `headwords` (position i is headwords[i]) folded for `locale_id`.
  static FuzzyIndex build(std::span<const std::u16string> headwords, std::uint32_t locale_id);

  FuzzyIndex();
  ~FuzzyIndex();
  FuzzyIndex(FuzzyIndex&&) noexcept;
  FuzzyIndex& operator=(FuzzyIndex&&) noexcept;

  // The folded form of `text` with this index's locale.
  std::u16string fold(std::u16string_view text) const;

  // Headwords within `max_distance` (clipped to 0..kMaxFuzzyDistance) of
  // `word`, nearest first and in word-list order within one distance; at
  // most `max_results` of them.
  std::vector<FuzzyMatch> suggest(std::u16string_view word, int max_distance,
                                  std::size_t max_results) const;

  // Keys within `max_distance` of the already folded `folded`, appended to
  // `out` in no particular order.
  void keys_within(std::u16string_view folded, int max_distance, std::vector<KeyMatch>* out) const;
  // The key equal to `folded`, or key_count() when there is none.
  std::uint32_t find_key(std::u16string_view folded) const;
  // The range [first, last) of keys that begin with `folded`.
  std::pair<std::uint32_t, std::uint32_t> prefix_range(std::u16string_view folded) const;

  std::uint32_t key_count() const { return static_cast<std::uint32_t>(key_offsets_.size()) - 1; }
  std::uint32_t headword_count() const { return static_cast<std::uint32_t>(positions_.size()); }
  std::u16string_view key(std::uint32_t k) const {
    return std::u16string_view(key_text_).substr(key_offsets_[k],
                                                 key_offsets_[k + 1] - key_offsets_[k]);
  }
  // Headword positions of key k, ascending.
  std::span<const std::uint32_t> positions(std::uint32_t k) const {
    return std::span<const std::uint32_t>(positions_)
        .subspan(key_positions_[k], key_positions_[k + 1] - key_positions_[k]);
  }

  std::size_t node_count() const { return labels_.size(); }
  // Bytes of heap the index holds (keys, positions, trie).
  std::size_t memory_bytes() const;

 private:
  void build_from(std::vector<std::u16string>&& folded);
  void build_trie();

  std::unique_ptr<WordCodec> codec_;
  std::u16string key_text_;                      // the keys back to back, in code-unit order
  std::vector<std::uint32_t> key_offsets_{0};    // key k is key_text_[offsets[k], offsets[k+1])
  std::vector<std::uint32_t> key_positions_{0};  // key k's headwords: positions_[kp[k], kp[k+1])
  std::vector<std::uint32_t> positions_;
  // Trie, breadth-first; node 0 is the root (its label unused). The children
  // of node n are first_child_[n] .. first_child_[n+1]-1.
  std::vector<char16_t> labels_;
  std::vector<std::uint32_t> first_child_;
  std::vector<std::uint32_t> node_key_;  // key ending at the node, or kNoKey
};

// Edit distance of two texts by code units (plain dynamic programming); for
// tests that check the index against it.
int edit_distance(std::u16string_view a, std::u16string_view b);

}  // namespace lexora

#endif  // LEXORA_ENGINE_FUZZY_INDEX_H_
