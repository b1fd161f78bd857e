// The lookup of text the user types or follows: the one rule the word box,
// Enter and `lexora-cli find --two-pass` share, so that what the command
// line reports is what the window does.
#ifndef LEXORA_ENGINE_TWO_PASS_LOOKUP_H_
#define LEXORA_ENGINE_TWO_PASS_LOOKUP_H_

#include <cstdint>
#include <string_view>

#include "engine/dictionary.h"

namespace lexora {

// Looks `text` up first with punctuation counted, so that a headword that
// itself holds punctuation ("C++", "etc.") wins when it is typed exactly;
// when that pass is not exact, looks it up again under `second_pass` (the
// user's choice of trimming; unset fields take the dictionary's settings)
// and returns that position. `exact_out` (optional) receives the first
// pass's flag; it is left untouched for an empty dictionary. Both passes may
// ask the word-conversion plug-in as `second_pass.allow_conversion` says.
// The dictionary's settings are not changed.
std::uint32_t two_pass_lookup(Dictionary& dict, std::u16string_view text, bool* exact_out,
                              const LookupOptions& second_pass = {});

}  // namespace lexora

#endif  // LEXORA_ENGINE_TWO_PASS_LOOKUP_H_
