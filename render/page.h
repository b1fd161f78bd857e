// Page composition: the complete HTML document the article view shows for a
// word's article or for a text page (a picture shown by itself).
//
//   <html><head>[colour style | the pack's style.css]</head><body>
//   <font face="FACE">[<p><b>HEADWORD</b></p>]<p>ARTICLE</p></font></body></html>
//
// The page is built in a PageBuffer the caller owns and returned as a view
// of it: it stays valid until the next page is built in the same buffer or
// the buffer goes. Callers hand it to the view at once and keep no copy. A
// buffer kept from page to page is reused, so once it has grown to the size
// of the pages shown, building a page does not allocate.
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

// The page and the pack's style sheet, kept by the caller from page to page.
struct PageBuffer {
  std::u16string page;
  std::vector<std::uint8_t> pack_bytes;  // the style sheet as the pack holds it
  std::u16string style_text;             // the style sheet converted
};

// The style sheet is 8-bit text in the ANSI code page, which comes from the
// user's locale (platform/ansi_code_page).
inline constexpr std::u16string_view kStyleSheetName = u"style.css";
inline constexpr std::u16string_view kMissingArticleText = u"Ошибка, перевод не найден";

// Appends "#rrggbb" (lower case) for a colour in the platform layout.
void append_html_colour(std::uint32_t colour, std::u16string* out);

// Builds the page for `headword` (none: no headword paragraph; empty: an
// empty one) and `article` (none: the error text "Ошибка, перевод не
// найден"). The views must not point into `buffer`; they may point
// into the dictionary's buffers (article_at, word_at).
std::u16string_view render_article_page(Dictionary& dict,
                                        std::optional<std::u16string_view> headword,
                                        std::optional<std::u16string_view> article,
                                        const PageStyle& style, PageBuffer& buffer);

// The page of word `index`: its article (none when it cannot be had) under its
// headword.
std::u16string_view render_article_at(Dictionary& dict, std::uint32_t index, const PageStyle& style,
                                      PageBuffer& buffer);

}  // namespace lexora

#endif  // LEXORA_RENDER_PAGE_H_
