#include "engine/two_pass_lookup.h"

namespace lexora {

std::uint32_t two_pass_lookup(Dictionary& dict, std::u16string_view text, bool* exact_out,
                              const LookupOptions& second_pass) {
  // An empty dictionary leaves the flag alone, so the caller's value stays.
  bool exact = exact_out != nullptr && *exact_out;
  const std::uint32_t found = dict.find_word(
      text, &exact,
      LookupOptions{.ignore_punctuation = false, .allow_conversion = second_pass.allow_conversion});
  if (exact_out != nullptr) *exact_out = exact;
  if (exact) return found;
  return dict.find_word(text, nullptr, second_pass);
}

}  // namespace lexora
