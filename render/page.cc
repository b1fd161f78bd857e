#include "render/page.h"

#include <cstring>

#include "engine/dictionary.h"
#include "engine/media.h"
#include "platform/ansi_code_page.h"
#include "platform/colour_ref.h"
#include "platform/nls.h"
#include "render/markup.h"

namespace lexora {
namespace {

constexpr std::u16string_view kPageStart = u"<html><head>";
constexpr std::u16string_view kColourStyleBody =
    u"<style type=\"text/css\"> body {BACKGROUND-COLOR : ";
constexpr std::u16string_view kColourStyleText = u"; color : ";
constexpr std::u16string_view kColourStyleLink = u"} a { color: ";
constexpr std::u16string_view kColourStyleActive =
    u"; text-decoration: underline; }  a:active { color: ";
constexpr std::u16string_view kColourStyleHeading =
    u"; text-decoration: underline; } h1,h2,h3,h4 {color: ";
constexpr std::u16string_view kColourStyleEnd = u"}</style>";
constexpr std::u16string_view kSheetStart = u"<style type=\"text/css\">";
constexpr std::u16string_view kSheetEnd = u"</style>";
constexpr std::u16string_view kBodyStart = u"</head><body><font face=\"";
constexpr std::u16string_view kBodyFontEnd = u"\">";
constexpr std::u16string_view kHeadwordStart = u"<p><b>";
constexpr std::u16string_view kHeadwordEnd = u"</b></p>";
constexpr std::u16string_view kArticleStart = u"<p>";
constexpr std::u16string_view kArticleEnd = u"</p>";
constexpr std::u16string_view kMissingStart = u"<p><font color=\"Red\"><b>";
constexpr std::u16string_view kMissingEnd = u"</b></font>";
constexpr std::u16string_view kPageEnd = u"</font></body></html>";

// Room for every fixed piece of a page, so one reservation covers it all.
constexpr std::size_t kFixedPageSize = 512;

// The pack's style sheet, cut at its first 0 byte, in `buffer->style_text`.
// False when there is none (no pack, no entry, unreadable entry).
bool read_style_sheet(Dictionary& dict, PageBuffer* scratch) {
  std::uint32_t size = 0;
  const std::uint8_t* data =
      dict.read_pack_entry(kStyleSheetName, &size, &scratch->pack_bytes, kMaxStyleSheetSize);
  if (data == nullptr) return false;
  const void* zero = std::memchr(data, 0, size);
  const std::size_t length =
      zero != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - data)
                      : size;
  return to_wide(std::string_view(reinterpret_cast<const char*>(data), length), ansi_code_page(),
                 &scratch->style_text);
}

void append_colour_style(const PageStyle& style, std::u16string* page) {
  page->append(kColourStyleBody);
  append_html_colour(style.background_colour, page);
  page->append(kColourStyleText);
  append_html_colour(style.text_colour, page);
  page->append(kColourStyleLink);
  append_html_colour(style.link_colour, page);
  page->append(kColourStyleActive);
  append_html_colour(style.link_colour, page);
  page->append(kColourStyleHeading);
  append_html_colour(style.heading_colour, page);
  page->append(kColourStyleEnd);
}

}  // namespace

void append_html_colour(std::uint32_t colour, std::u16string* out) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  // The platform keeps red in the low byte; HTML wants it first.
  const std::uint32_t rgb =
      ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
  char16_t text[7];
  text[0] = u'#';
  for (int k = 0; k < 6; ++k) text[1 + k] = kHex[(rgb >> (20 - 4 * k)) & 0xFu];
  out->append(text, 7);
}

std::u16string_view render_article_page(Dictionary& dict,
                                        std::optional<std::u16string_view> headword,
                                        std::optional<std::u16string_view> article,
                                        const PageStyle& style, PageBuffer& buffer) {
  std::u16string& page = buffer.page;
  page.clear();

  const bool colour_style = style.colours_in_effect && !is_white(style.background_colour);
  PageBuffer* sheet = &buffer;
  const bool has_sheet = !colour_style && read_style_sheet(dict, sheet);

  // One reservation for the whole page; the markup converter then finds
  // room for twice the article and does not grow the buffer again.
  const std::size_t wanted =
      kFixedPageSize + style.font_face.size() + (headword ? headword->size() : 0) +
      (has_sheet ? sheet->style_text.size() : 0) + (article ? 2 * article->size() + 2 : 0);
  if (page.capacity() < wanted) page.reserve(wanted);

  page.append(kPageStart);
  if (colour_style) {
    append_colour_style(style, &page);
  } else if (has_sheet) {
    page.append(kSheetStart);
    page.append(sheet->style_text);
    page.append(kSheetEnd);
  }
  page.append(kBodyStart);
  page.append(style.font_face);
  page.append(kBodyFontEnd);
  if (headword) {
    page.append(kHeadwordStart);
    page.append(*headword);
    page.append(kHeadwordEnd);
  }
  if (article) {
    page.append(kArticleStart);
    convert_article_markup(dict, *article, &page);
    page.append(kArticleEnd);
  } else {
    // No closing paragraph tag here: the page has always ended this way.
    page.append(kMissingStart);
    page.append(kMissingArticleText);
    page.append(kMissingEnd);
  }
  page.append(kPageEnd);
  return page;
}

std::u16string_view render_article_at(Dictionary& dict, std::uint32_t index, const PageStyle& style,
                                      PageBuffer& buffer) {
  // article_at and word_at fill different buffers of the dictionary, so both
  // views stay valid while the page is built.
  const std::optional<std::u16string_view> article = dict.article_at(index);
  const std::optional<std::u16string_view> headword = dict.word_at(index);
  return render_article_page(dict, headword, article, style, buffer);
}

}  // namespace lexora
