#include "compiler/headword_order.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>
#include <thread>

#include "engine/word_compare.h"
#include "platform/nls.h"

namespace lexora::compiler {
namespace {

// Keys of every headword back to back in one buffer, so that a long list
// costs a few bytes per headword rather than one allocation each.
// About the mean size of a headword's key, in bytes of a collation sort
// key and in characters lowered (English headwords: a little less).
constexpr std::size_t kSortKeyBytes = 24;
constexpr std::size_t kLoweredChars = 12;
// Lists shorter than this are sorted on one thread: a thread costs more.
constexpr std::size_t kHalvedFrom = 16384;

template <typename Char>
struct KeyArena {
  std::basic_string<Char> text;
  std::vector<std::size_t> starts{0};

  // Room for `count` keys of about `size` characters, so that a long list
  // is not copied while it grows.
  void reserve(std::size_t count, std::size_t size) {
    text.reserve(count * size);
    starts.reserve(count + 1);
  }
  void add(std::basic_string_view<Char> key) {
    text.append(key);
    starts.push_back(text.size());
  }
  std::basic_string_view<Char> at(std::uint32_t i) const {
    return std::basic_string_view<Char>(text).substr(starts[i], starts[i + 1] - starts[i]);
  }
};

// Positions [from, to) with their keys, sorted by them.
template <typename Char>
struct SortedPart {
  std::size_t from = 0;
  KeyArena<Char> keys;  // key of position from + i at i
  std::vector<std::uint32_t> order;
};

// Makes the keys of positions [from, to) with `key_of` (made for this part
// alone, so that each thread has its own) and sorts them, equal keys
// keeping their order.
template <typename Char, typename MakeKeyOf, typename Less>
void sort_part(std::size_t from, std::size_t to, std::size_t key_size, const MakeKeyOf& make_key_of,
               Less less, SortedPart<Char>* part) {
  auto key_of = make_key_of();
  part->from = from;
  part->keys.reserve(to - from, key_size);
  std::basic_string<Char> key;
  for (std::size_t i = from; i < to; ++i) {
    key_of(i, &key);
    part->keys.add(key);
  }
  part->order.resize(to - from);
  std::iota(part->order.begin(), part->order.end(), static_cast<std::uint32_t>(from));
  std::stable_sort(part->order.begin(), part->order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return less(part->keys.at(a - static_cast<std::uint32_t>(from)),
                part->keys.at(b - static_cast<std::uint32_t>(from)));
  });
}

// Sorts positions 0..count-1 by their keys. A long list is cut in two
// halves, sorted on two threads and merged; the merge takes the first
// half's position of equal keys first, so the order is the same as one
// stable sort's.
template <typename Char, typename MakeKeyOf, typename Less>
std::vector<std::uint32_t> sorted_positions(std::size_t count, bool two_threads,
                                            std::size_t key_size, const MakeKeyOf& make_key_of,
                                            Less less) {
  if (!two_threads || count < kHalvedFrom) {
    SortedPart<Char> whole;
    sort_part(0, count, key_size, make_key_of, less, &whole);
    return std::move(whole.order);
  }
  const std::size_t half = count / 2;
  SortedPart<Char> first, second;
  std::thread other([&] { sort_part(half, count, key_size, make_key_of, less, &second); });
  sort_part(0, half, key_size, make_key_of, less, &first);
  other.join();
  const auto key = [&](std::uint32_t i) {
    return i < half ? first.keys.at(i) : second.keys.at(i - static_cast<std::uint32_t>(half));
  };
  std::vector<std::uint32_t> order(count);
  std::merge(first.order.begin(), first.order.end(), second.order.begin(), second.order.end(),
             order.begin(), [&](std::uint32_t a, std::uint32_t b) { return less(key(a), key(b)); });
  return order;
}

}  // namespace

std::vector<std::uint32_t> sort_headwords(
    std::size_t count, const std::function<std::u16string_view(std::size_t)>& headword_at,
    std::uint32_t code_page, std::uint32_t locale_id, std::uint32_t flags, bool two_threads) {
  if (uses_locale_collation(flags, locale_id)) {
    const auto make_key_of = [&] {
      return [&](std::size_t i, std::string* out) {
        locale_sort_key(headword_at(i), locale_id, true, out);
      };
    };
    // Unsigned byte order, a prefix first: the order of compare_locale.
    return sorted_positions<char>(count, two_threads, kSortKeyBytes, make_key_of,
                                  [](std::string_view a, std::string_view b) { return a < b; });
  }
  const auto make_key_of = [&] {
    return [&, comparer = std::make_shared<WordComparer>(code_page, locale_id)](
               std::size_t i, std::u16string* out) { comparer->lower(headword_at(i), out); };
  };
  return sorted_positions<char16_t>(count, two_threads, kLoweredChars, make_key_of,
                                    [](std::u16string_view a, std::u16string_view b) {
                                      return compare_code_units(a, b, kWholeString) < 0;
                                    });
}

}  // namespace lexora::compiler
