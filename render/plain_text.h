// Articles as plain text, for readers that show no HTML (the DICT server's
// clients).
//
// The article markup goes through the same converter as the page (so
// auto-formatting numbers, sections and abbreviations exactly as the article
// view does), and the HTML that results is reduced to text:
//   - a transcription keeps its square brackets: "[haʊs]";
//   - a link to another word is written in braces, "{house}", the
//     convention of DICT databases for cross-references;
//   - abbreviations are written as their text ("сущ."), sounds and pictures
//     are left out, links to web addresses keep their text;
//   - <br>, paragraphs, list items, table rows and headings start new lines;
//     other white space is collapsed to one blank as a browser would;
//   - character references (&#331;, &#x14B;, &amp; &lt; &gt; &quot; &apos;
//     &nbsp;) become their characters; unknown ones stay as written;
//   - the content of <script> and <style> is dropped, and so are comments.
// Lines are separated by '\n'; there are no empty lines at the start or end,
// and never more than one empty line in a row. Nothing here fails: text that
// is not well-formed HTML comes out as text.
#ifndef LEXORA_RENDER_PLAIN_TEXT_H_
#define LEXORA_RENDER_PLAIN_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace lexora {

class Dictionary;

// The plain text of `article` (markup as stored in the dictionary).
// `auto_format` as for convert_markup.
std::u16string article_to_plain_text(std::u16string_view article, bool auto_format);
// Auto-formatting as the dictionary's header flags say.
std::u16string article_to_plain_text(const Dictionary& dict, std::u16string_view article);

// The text of an HTML fragment, by the rules above.
std::u16string html_to_plain_text(std::u16string_view html);

// Breaks every line of `text` that is longer than `width` code units at its
// last blank within the width (a word longer than the width is cut), and
// puts `indent` before every line that is not empty. `width` counts the
// indent too; a width that leaves no room for text is taken as indent + 1.
std::u16string wrap_plain_text(std::u16string_view text, std::size_t width,
                               std::u16string_view indent = {});

}  // namespace lexora

#endif  // LEXORA_RENDER_PLAIN_TEXT_H_
