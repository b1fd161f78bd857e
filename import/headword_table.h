// The headwords of an import and the articles each one leads to, kept
// compactly: all headword text in one buffer, a small record per headword,
// and one link per (headword, article) pair, so that a dictionary of a few
// hundred thousand headwords costs a few megabytes besides its article text.
#ifndef LEXORA_IMPORT_HEADWORD_TABLE_H_
#define LEXORA_IMPORT_HEADWORD_TABLE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "import/large_table.h"

namespace lexora::import {

inline constexpr std::uint32_t kNoIndex = 0xFFFFFFFF;

class HeadwordTable {
 public:
  HeadwordTable();

  std::size_t size() const { return entries_.size(); }
  // Bytes of all headwords together.
  std::size_t text_size() const { return text_.size(); }
  // The headword of entry `i`; valid until the next find_or_add.
  std::string_view headword(std::uint32_t i) const;

  // Starts fetching the slot where `headword` would be looked up into the
  // processor's cache, for a find or find_or_add soon after.
  void prefetch(std::string_view headword) const {
    __builtin_prefetch(&slots_[hash_of(headword) & (slots_.size() - 1)]);
  }

  // The entry of `headword` (byte-exact), kNoIndex when there is none.
  std::uint32_t find(std::string_view headword) const;
  // The entry of `headword`, made (with no articles) when it is new;
  // kNoIndex when the table is full (2^32 - 2 headwords or 4 GiB of text).
  std::uint32_t find_or_add(std::string_view headword);

  // Room for `count` more headwords of `bytes` in all, each leading to one
  // article, so that the table need not grow until then.
  void reserve(std::size_t count, std::size_t bytes);

  // Appends `article` to the articles of entry `i` (kept in the order added);
  // false when the entry already leads to it (or the table is full).
  bool add_article(std::uint32_t i, std::uint32_t article);
  std::size_t article_count(std::uint32_t i) const;

  // Calls visit(article) for each article of entry `i` in order.
  template <typename Visit>
  void for_each_article(std::uint32_t i, Visit visit) const {
    for (std::uint32_t link = entries_[i].first; link != kNoIndex; link = links_[link].next)
      visit(links_[link].article);
  }

 private:
  struct Entry {
    std::uint32_t text_offset;
    std::uint32_t text_size;
    std::uint32_t first = kNoIndex;  // first link
    std::uint32_t last = kNoIndex;
  };
  struct Link {
    std::uint32_t article;
    std::uint32_t next;
  };

  // A slot holds an entry number in its low 32 bits and the high 32 bits of
  // the entry's hash above them.
  static constexpr std::uint64_t kFreeSlot = ~std::uint64_t{0};
  static constexpr std::uint64_t kTagBits = 0xFFFFFFFF00000000ull;
  static std::size_t hash_of(std::string_view text);
  static std::uint64_t tag_of(std::size_t hash) { return std::uint64_t{hash} & kTagBits; }
  static std::uint32_t entry_of(std::uint64_t slot) { return static_cast<std::uint32_t>(slot); }
  // The slot of `headword` (whose hash_of is `hash`), or the free slot
  // where it would go.
  std::size_t slot_of(std::string_view headword, std::size_t hash) const;
  // Doubles the slots, or more until they are at least `at_least`.
  void grow(std::size_t at_least = 0);

  LargeString text_;
  LargeVector<Entry> entries_;
  LargeVector<Link> links_;
  // Open addressing over entry numbers (with hash tags); kFreeSlot marks a
  // free slot.
  LargeVector<std::uint64_t> slots_;
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_HEADWORD_TABLE_H_
