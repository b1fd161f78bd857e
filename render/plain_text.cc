#include "render/plain_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/dictionary.h"
#include "engine/dictionary_header.h"
#include "render/markup.h"

namespace lexora {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';
constexpr std::size_t kMaxEntityLength = 10;  // "&#x10FFFF;" is the longest we read
constexpr int kMaxNewlines = 2;               // one empty line at most

// Link targets that are not words: the viewer's abbreviation and sound
// prefixes, addresses with a scheme, and media names.
constexpr std::u16string_view kAbbrevPrefix = u"!@";
constexpr std::u16string_view kSoundPrefix = u"!%";
constexpr std::array<std::u16string_view, 8> kSchemes = {u"http:", u"https:", u"ftp:",  u"mailto:",
                                                         u"file:", u"news:",  u"dict:", u"#"};
constexpr std::array<std::u16string_view, 7> kMediaExtensions = {
    u".png", u".gif", u".jpg", u".jpeg", u".bmp", u".wav", u".ogg"};

struct NamedEntity {
  std::u16string_view name;
  char16_t value;
};
constexpr std::array<NamedEntity, 13> kEntities = {{{u"amp", u'&'},
                                                    {u"lt", u'<'},
                                                    {u"gt", u'>'},
                                                    {u"quot", u'"'},
                                                    {u"apos", u'\''},
                                                    {u"nbsp", u' '},
                                                    {u"mdash", u'\u2014'},
                                                    {u"ndash", u'\u2013'},
                                                    {u"laquo", u'\u00AB'},
                                                    {u"raquo", u'\u00BB'},
                                                    {u"hellip", u'\u2026'},
                                                    {u"copy", u'\u00A9'},
                                                    {u"shy", u'\u00AD'}}};

constexpr std::array<std::u16string_view, 6> kParagraphTags = {u"p",  u"h1", u"h2",
                                                               u"h3", u"h4", u"blockquote"};
constexpr std::array<std::u16string_view, 13> kLineTags = {
    u"div", u"li", u"tr", u"ul", u"ol", u"dl", u"dt", u"dd", u"table", u"hr", u"h5", u"h6", u"pre"};
constexpr std::array<std::u16string_view, 2> kSkippedTags = {u"script", u"style"};

enum class LinkKind { kWord, kSound, kOther };

char16_t ascii_lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}
bool is_ascii_letter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool is_white(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}

bool starts_with_ci(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (ascii_lower(text[i]) != prefix[i]) return false;
  return true;
}

bool ends_with_ci(std::u16string_view text, std::u16string_view suffix) {
  return text.size() >= suffix.size() &&
         starts_with_ci(text.substr(text.size() - suffix.size()), suffix);
}

template <std::size_t N>
bool one_of(std::u16string_view name, const std::array<std::u16string_view, N>& names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

LinkKind link_kind(std::u16string_view href) {
  if (href.starts_with(kSoundPrefix)) return LinkKind::kSound;
  if (href.starts_with(kAbbrevPrefix)) return LinkKind::kOther;
  for (std::u16string_view scheme : kSchemes)
    if (starts_with_ci(href, scheme)) return LinkKind::kOther;
  for (std::u16string_view ext : kMediaExtensions)
    if (ends_with_ci(href, ext)) return LinkKind::kOther;
  return LinkKind::kWord;
}

// One tag as found in the text: its lower-cased name, whether it closes,
// and the value of its href attribute.
struct Tag {
  std::u16string name;
  bool closing = false;
  std::u16string_view href;
};

// The value of attribute `name` inside the tag text (between the name and
// the final '>'), or empty.
std::u16string_view attribute(std::u16string_view tag_text, std::u16string_view name) {
  std::size_t i = 0;
  while (i < tag_text.size()) {
    while (i < tag_text.size() && !is_ascii_letter(tag_text[i])) ++i;
    const std::size_t start = i;
    while (i < tag_text.size() && (is_ascii_letter(tag_text[i]) || tag_text[i] == u'-')) ++i;
    const std::u16string_view attr = tag_text.substr(start, i - start);
    while (i < tag_text.size() && is_white(tag_text[i])) ++i;
    if (i >= tag_text.size() || tag_text[i] != u'=') continue;
    ++i;
    while (i < tag_text.size() && is_white(tag_text[i])) ++i;
    std::size_t value_start = i, value_end = i;
    if (i < tag_text.size() && (tag_text[i] == u'"' || tag_text[i] == u'\'')) {
      const char16_t quote = tag_text[i];
      value_start = i + 1;
      value_end = tag_text.find(quote, value_start);
      if (value_end == std::u16string_view::npos) value_end = tag_text.size();
      i = std::min(value_end + 1, tag_text.size());
    } else {
      while (i < tag_text.size() && !is_white(tag_text[i]) && tag_text[i] != u'>') ++i;
      value_end = i;
    }
    if (attr.size() == name.size() && starts_with_ci(attr, name))
      return tag_text.substr(value_start, value_end - value_start);
  }
  return {};
}

// Collects text with HTML's white-space rule and the line breaks the tags ask for.
class TextWriter {
 public:
  void character(char16_t c) {
    if (is_white(c)) {
      space_ = true;
      return;
    }
    if (!out_.empty()) {
      if (newlines_ > 0)
        out_.append(static_cast<std::size_t>(newlines_), u'\n');
      else if (space_)
        out_ += u' ';
    }
    newlines_ = 0;
    space_ = false;
    out_ += c;
  }
  void text(std::u16string_view s) {
    for (char16_t c : s) character(c);
  }
  void line_break(int count) {
    newlines_ = std::min(kMaxNewlines, std::max(newlines_, count));
    space_ = false;
  }
  // <br>: each one ends a line, so two in a row leave an empty line.
  void hard_break() {
    newlines_ = std::min(kMaxNewlines, newlines_ + 1);
    space_ = false;
  }
  std::u16string take() { return std::move(out_); }

 private:
  std::u16string out_;
  int newlines_ = 0;
  bool space_ = false;
};

// Reads the character reference at `text[i]` ('&'); on success appends its
// character and returns the position after the ';'.
std::size_t read_entity(std::u16string_view text, std::size_t i, TextWriter* out) {
  const std::size_t semicolon = text.substr(i, kMaxEntityLength + 1).find(u';');
  if (semicolon == std::u16string_view::npos || semicolon < 2) return i;
  const std::u16string_view body = text.substr(i + 1, semicolon - 1);
  if (body[0] == u'#') {
    const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
    const std::u16string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty()) return i;
    std::uint32_t value = 0;
    for (char16_t c : digits) {
      std::uint32_t d;
      if (c >= u'0' && c <= u'9')
        d = c - u'0';
      else if (hex && c >= u'a' && c <= u'f')
        d = c - u'a' + 10;
      else if (hex && c >= u'A' && c <= u'F')
        d = c - u'A' + 10;
      else
        return i;
      value = value * (hex ? 16 : 10) + d;
      if (value > 0x10FFFF) value = 0x110000;  // stays invalid, cannot overflow
    }
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
      out->character(kReplacement);
    } else if (value > 0xFFFF) {
      value -= 0x10000;
      out->character(static_cast<char16_t>(0xD800 + (value >> 10)));
      out->character(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
    } else {
      out->character(static_cast<char16_t>(value));
    }
    return i + semicolon + 1;
  }
  for (const NamedEntity& e : kEntities) {
    if (body == e.name) {
      out->character(e.value);
      return i + semicolon + 1;
    }
  }
  return i;
}

// The end of the tag that starts at text[i] ('<'): the position of its '>'
// outside quotes, or npos when the '<' starts no tag.
std::size_t tag_end(std::u16string_view text, std::size_t i) {
  if (i + 1 >= text.size()) return std::u16string_view::npos;
  const char16_t next = text[i + 1];
  if (!is_ascii_letter(next) && next != u'/' && next != u'!') return std::u16string_view::npos;
  char16_t quote = 0;
  for (std::size_t j = i + 1; j < text.size(); ++j) {
    const char16_t c = text[j];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == u'"' || c == u'\'') {
      // Quotes count only inside attribute values (after '=').
      std::size_t k = j;
      while (k > i && is_white(text[k - 1])) --k;
      if (text[k - 1] == u'=') quote = c;
    } else if (c == u'>') {
      return j;
    }
  }
  return std::u16string_view::npos;
}

Tag parse_tag(std::u16string_view tag_text) {  // without '<' and '>'
  Tag tag;
  std::size_t i = 0;
  if (i < tag_text.size() && tag_text[i] == u'/') {
    tag.closing = true;
    ++i;
  }
  while (i < tag_text.size() &&
         (is_ascii_letter(tag_text[i]) || (tag_text[i] >= u'0' && tag_text[i] <= u'9')))
    tag.name += ascii_lower(tag_text[i++]);
  if (tag.name == u"a" && !tag.closing) tag.href = attribute(tag_text.substr(i), u"href");
  return tag;
}

class HtmlToText {
 public:
  explicit HtmlToText(std::u16string_view html) : html_(html) {}

  std::u16string run() {
    std::size_t i = 0;
    while (i < html_.size()) {
      const char16_t c = html_[i];
      if (c == u'<') {
        if (html_.substr(i).starts_with(u"<!--")) {
          const std::size_t end = html_.find(u"-->", i + 4);
          i = end == std::u16string_view::npos ? html_.size() : end + 3;
          continue;
        }
        const std::size_t end = tag_end(html_, i);
        if (end != std::u16string_view::npos) {
          handle(parse_tag(html_.substr(i + 1, end - i - 1)));
          i = end + 1;
          continue;
        }
      }
      if (skipping()) {
        ++i;
        continue;
      }
      if (c == u'&') {
        const std::size_t after = read_entity(html_, i, &out_);
        if (after != i) {
          i = after;
          continue;
        }
      }
      out_.character(c);
      ++i;
    }
    return out_.take();
  }

 private:
  bool skipping() const { return skipped_depth_ > 0 || sound_depth_ > 0; }

  void handle(const Tag& tag) {
    if (one_of(tag.name, kSkippedTags)) {
      if (!tag.closing)
        ++skipped_depth_;
      else if (skipped_depth_ > 0)
        --skipped_depth_;
      return;
    }
    if (tag.name == u"a") {
      handle_link(tag);
      return;
    }
    if (skipping()) return;
    if (tag.name == u"br")
      out_.hard_break();
    else if (one_of(tag.name, kParagraphTags))
      out_.line_break(2);
    else if (one_of(tag.name, kLineTags))
      out_.line_break(1);
    else if (tag.name == u"td" || tag.name == u"th")
      out_.character(u' ');
  }

  void handle_link(const Tag& tag) {
    if (!tag.closing) {
      const LinkKind kind = link_kind(tag.href);
      links_.push_back(kind);
      if (kind == LinkKind::kSound) ++sound_depth_;
      if (kind == LinkKind::kWord && !skipping()) out_.character(u'{');
      return;
    }
    if (links_.empty()) return;
    const LinkKind kind = links_.back();
    links_.pop_back();
    if (kind == LinkKind::kSound) --sound_depth_;
    if (kind == LinkKind::kWord && !skipping()) out_.character(u'}');
  }

  std::u16string_view html_;
  TextWriter out_;
  std::vector<LinkKind> links_;
  int skipped_depth_ = 0;
  int sound_depth_ = 0;
};

}  // namespace

std::u16string html_to_plain_text(std::u16string_view html) {
  return HtmlToText(html).run();
}

std::u16string article_to_plain_text(std::u16string_view article, bool auto_format) {
  std::u16string html;
  convert_markup(article, auto_format, &html);
  return html_to_plain_text(html);
}

std::u16string article_to_plain_text(const Dictionary& dict, std::u16string_view article) {
  return article_to_plain_text(article, (dict.header().flags & FLAG_NO_AUTO_FORMAT) == 0);
}

std::u16string wrap_plain_text(std::u16string_view text, std::size_t width,
                               std::u16string_view indent) {
  const std::size_t room = width > indent.size() ? width - indent.size() : 1;
  std::u16string out;
  out.reserve(text.size() + text.size() / 8);
  std::size_t line_start = 0;
  while (line_start <= text.size()) {
    std::size_t line_end = text.find(u'\n', line_start);
    if (line_end == std::u16string_view::npos) line_end = text.size();
    std::u16string_view rest = text.substr(line_start, line_end - line_start);
    if (rest.empty()) out += u'\n';
    while (!rest.empty()) {
      std::size_t cut = rest.size();
      std::size_t skip = 0;
      if (rest.size() > room) {
        const std::size_t blank = rest.substr(0, room + 1).rfind(u' ');
        if (blank != std::u16string_view::npos && blank > 0) {
          cut = blank;
          skip = 1;
        } else {
          cut = room;
          // Never split a surrogate pair.
          if (cut > 1 && rest[cut - 1] >= 0xD800 && rest[cut - 1] <= 0xDBFF) --cut;
        }
      }
      out += indent;
      out += rest.substr(0, cut);
      out += u'\n';
      rest.remove_prefix(cut + skip);
      while (!rest.empty() && rest.front() == u' ') rest.remove_prefix(1);
    }
    line_start = line_end + 1;
  }
  if (!out.empty()) out.pop_back();  // the last line has no '\n' of its own
  return out;
}

}  // namespace lexora
