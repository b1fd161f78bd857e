// Article markup to HTML.
//
// An article is mostly HTML already; on top of it the dictionary text carries
// four explicit tags (<t>, <r>, <wav>, <abr>) and, unless the dictionary sets
// FLAG_NO_AUTO_FORMAT, auto-formatting of roman sections, numbered, bracketed
// and lettered items and underscore abbreviations. Nothing is escaped: every
// character that is not markup is copied one for one, so the article's own
// HTML reaches the page as it stands.
//
// The converter makes a single pass over the article; a rule looks at most
// five characters ahead, and the searches for a closing tag and for an
// abbreviation's end are forward scans that never look before the current
// position (so a whole article is converted in linear time). Output is
// appended to the caller's page buffer; nothing is kept between calls.
#ifndef LEXORA_RENDER_MARKUP_H_
#define LEXORA_RENDER_MARKUP_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace lexora {

class Dictionary;

// Appends the HTML for `article` to `page`. Before converting, the capacity
// of `page` is raised (when smaller) to its current length plus twice the
// article's length plus two characters, so a typical article needs no
// further allocation. `auto_format` switches the auto-formatting rules on;
// the explicit tags are always converted.
void convert_markup(std::u16string_view article, bool auto_format, std::u16string* page);

// As above, with auto-formatting on unless the dictionary's header flags have
// FLAG_NO_AUTO_FORMAT.
void convert_article_markup(const Dictionary& dict, std::u16string_view article,
                            std::u16string* page);

// Tries the numbered and lettered item rules on the characters after
// `*position` (the trigger, the underscore, or -1 at the start of the text).
// `item_sequence` is the number the next full-stop item must carry; pass null
// for an item after an underscore, which is formatted without that check and
// leaves the sequence alone. On a match the item's HTML is appended to
// `page`, `*position` becomes the position where the walk continues, and the
// result is true; otherwise nothing changes and the result is false.
bool format_numbered_item(std::u16string_view text, std::ptrdiff_t* position, std::u16string* page,
                          int* item_sequence);

}  // namespace lexora

#endif  // LEXORA_RENDER_MARKUP_H_
