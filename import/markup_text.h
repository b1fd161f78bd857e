// Building article markup from source text: every reader escapes plain text
// and writes word links the same way.
#ifndef LEXORA_IMPORT_MARKUP_TEXT_H_
#define LEXORA_IMPORT_MARKUP_TEXT_H_

#include <string>
#include <string_view>

namespace lexora::import {

// Appends `text` with "&", "<" and ">" written as character references, so
// that the article markup (which copies everything else unchanged) shows it
// as written.
void append_escaped(std::string_view text, std::string* out);

// Appends a link that looks `target` up as a word when clicked, showing
// `text` (already markup). White space in the target (line breaks of a
// wrapped source line) becomes single spaces.
void append_word_link(std::string_view target, std::string_view text, std::string* out);

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_MARKUP_TEXT_H_
