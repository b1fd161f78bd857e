// Page composition: the complete HTML document the article view shows for a
// word's article or for a text page (a picture shown by itself).
//
//   <html><head>[colour style | the pack's style.css]</head><body>
//   <font face="FACE">[<p><b>HEADWORD</b></p>]<p>ARTICLE</p></font></body></html>
//
// The page is built in the dictionary's page buffer (Dictionary::page_buffer)
// and returned as a view of it: it stays valid until the next page is built
// for the same dictionary or the dictionary is closed. Callers hand it to the
// view at once and keep no copy. The buffer is reused from page to page, so
// once it has grown to the size of the pages shown, building a page does not
// allocate (given a PageScratch kept by the caller when the pack has a style
// sheet).
#ifndef LEXORA_RENDER_PAGE_H_
#define LEXORA_RENDER_PAGE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lexora {

class Dictionary;

// What the page takes from the settings and the colour table. Colours are in
// the platform layout (red in the low byte, then green, then blue).
struct PageStyle {
  std::u16string font_face;             // "MainFont"
  bool colours_in_effect = false;       // the colour table's rule
  std::uint32_t text_colour = 0;        // table entry 0
  std::uint32_t background_colour = 0;  // table entry 1
  std::uint32_t heading_colour = 0;     // table entry 4
  std::uint32_t link_colour = 0;        // table entry 5
};

// Buffers the builder reuses for the pack's style sheet. Optional: without
// one, reading a compressed style sheet allocates on every page.
struct PageScratch {
  std::vector<std::uint8_t> pack_bytes;
  std::u16string style_text;
};

// The style sheet is 8-bit text in the ANSI code page, which comes from the
// user's locale (platform/ansi_code_page).
inline constexpr std::u16string_view kStyleSheetName = u"style.css";
inline constexpr std::u16string_view kMissingArticleText = u"Ошибка, перевод не найден";

// Appends "#rrggbb" (lower case) for a colour in the platform layout.
void append_html_colour(std::uint32_t colour, std::u16string* out);

// Builds the page for `headword` (none: no headword paragraph; empty: an
// empty one) and `article` (none: the error text "Ошибка, перевод не
// найден"). The views must not point into the page buffer itself; they may
// point into the dictionary's other buffers (article_at, word_at).
std::u16string_view render_article_page(Dictionary& dict,
                                        std::optional<std::u16string_view> headword,
                                        std::optional<std::u16string_view> article,
                                        const PageStyle& style, PageScratch* scratch = nullptr);

// The page of word `index`: its article (none when it cannot be had) under its
// headword.
std::u16string_view render_article_at(Dictionary& dict, std::uint32_t index, const PageStyle& style,
                                      PageScratch* scratch = nullptr);

}  // namespace lexora

#endif  // LEXORA_RENDER_PAGE_H_
