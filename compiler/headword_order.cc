#include "compiler/headword_order.h"

#include <algorithm>
#include <cstring>
#include <numeric>

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

template <typename Char, typename Less>
std::vector<std::uint32_t> sorted_positions(const KeyArena<Char>& keys, std::size_t count,
                                            Less less) {
  std::vector<std::uint32_t> order(count);
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return less(keys.at(a), keys.at(b)); });
  return order;
}

}  // namespace

std::vector<std::uint32_t> sort_headwords(
    std::size_t count, const std::function<std::u16string_view(std::size_t)>& headword_at,
    std::uint32_t code_page, std::uint32_t locale_id, std::uint32_t flags) {
  if (uses_locale_collation(flags, locale_id)) {
    KeyArena<char> keys;
    keys.reserve(count, kSortKeyBytes);
    std::string key;
    for (std::size_t i = 0; i < count; ++i) {
      locale_sort_key(headword_at(i), locale_id, true, &key);
      keys.add(key);
    }
    // Unsigned byte order, a prefix first: the order of compare_locale.
    return sorted_positions(keys, count,
                            [](std::string_view a, std::string_view b) { return a < b; });
  }
  WordComparer comparer(code_page, locale_id);
  KeyArena<char16_t> keys;
  keys.reserve(count, kLoweredChars);
  std::u16string lowered;
  for (std::size_t i = 0; i < count; ++i) {
    comparer.lower(headword_at(i), &lowered);
    keys.add(lowered);
  }
  return sorted_positions(keys, count, [](std::u16string_view a, std::u16string_view b) {
    return compare_code_units(a, b, kWholeString) < 0;
  });
}

}  // namespace lexora::compiler
