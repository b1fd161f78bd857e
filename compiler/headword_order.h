// The order in which a dictionary stores its headwords: the order the
// lookup's binary search expects (engine/word_compare.h), computed for many
// headwords at once. build_dictionary sorts the same way.
#ifndef LEXORA_COMPILER_HEADWORD_ORDER_H_
#define LEXORA_COMPILER_HEADWORD_ORDER_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lexora::compiler {

// Positions 0..count-1 sorted by the headwords that `headword_at(i)` gives
// (UTF-16, as they read back from the words code page; the view need only
// stay valid until the next call). Headwords that compare equal keep their
// given order. `flags` and `locale_id` are the dictionary's header fields:
// they choose between lower-cased code-unit order and the locale's sort.
// Each headword is asked for once; the sort then compares prepared keys
// (lower-cased text, or collation sort keys), so a large word list does not
// call the collator per comparison. With `two_threads`, a long list is
// sorted in two halves on two threads (the same order): `headword_at` is
// then called from both at once, and each call's view need only stay valid
// until that thread's next call.
std::vector<std::uint32_t> sort_headwords(
    std::size_t count, const std::function<std::u16string_view(std::size_t)>& headword_at,
    std::uint32_t code_page, std::uint32_t locale_id, std::uint32_t flags,
    bool two_threads = false);

}  // namespace lexora::compiler

#endif  // LEXORA_COMPILER_HEADWORD_ORDER_H_
