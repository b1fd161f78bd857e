#include "render/markup.h"

#include <cstdint>

#include "engine/dictionary.h"
#include "engine/dictionary_header.h"

namespace lexora {
namespace {

constexpr char16_t kBlank = u' ';
constexpr char16_t kUnderscore = u'_';
constexpr char16_t kNoChar = 0;  // what a position past the end "holds"

// Explicit tags and their output pieces.
struct TagForm {
  std::u16string_view open;
  std::u16string_view close;
  std::u16string_view before;   // up to the first copy of the content
  std::u16string_view between;  // after the first copy (empty: one copy only)
  std::u16string_view after;    // after the last piece
  bool content_twice;
};

constexpr TagForm kTags[] = {
    {u"<t>", u"</t>", u"[<font face=\"Lucida Sans Unicode\">", u"", u"</font>]", false},
    {u"<r>", u"</r>", u"<a href=\"", u"\">", u"</a>", true},
    {u"<wav>", u"</wav>", u"<a href=\"!%",
     u"\"><img border=\"1\" height=\"16\" width=\"16\" src=\"@sound\">", u"</a>", false},
    {u"<abr>", u"</abr>", u"<a href=\"!@", u"\">", u"</a>", true},
};

constexpr std::u16string_view kRomanOpen = u"<br><font color=\"Red\"><b>";
constexpr std::u16string_view kRomanClose = u"</b></font>";
constexpr std::u16string_view kFullStopOpen = u"<br><font color=\"Maroon\"><b>";
constexpr std::u16string_view kFullStopClose = u".</b></font>";
constexpr std::u16string_view kBracketOpen = u"<br><font color=\"Green\"><b>";
constexpr std::u16string_view kBracketClose = u")</b></font>";
constexpr std::u16string_view kLetterOpen = u"<font color=\"Teal\"><b> ";
constexpr std::u16string_view kLetterClose = u")&nbsp;</b></font>";
constexpr std::u16string_view kAbbrevOpen = u"<a href=\"!@";
constexpr std::u16string_view kAbbrevMiddle = u"\">";
constexpr std::u16string_view kAbbrevClose = u"</a>";

// Every separator and '<' lies below 64, so a bit mask tells the converter's
// inner loop whether a character needs a closer look.
constexpr std::uint64_t bit(char16_t c) {
  return std::uint64_t{1} << c;
}
constexpr std::uint64_t kSeparatorMask = bit(u' ') | bit(u'\t') | bit(u'\n') | bit(u'\r') |
                                         bit(u'\v') | bit(u'\f') | bit(u'>') | bit(u'(');
constexpr std::uint64_t kTagStartMask = bit(u'<');

inline bool in_mask(char16_t c, std::uint64_t mask) {
  return c < 64 && ((mask >> c) & 1u) != 0;
}
inline bool is_separator(char16_t c) {
  return in_mask(c, kSeparatorMask);
}
inline bool is_digit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
inline bool is_roman(char16_t c) {
  return c == u'I' || c == u'V' || c == u'X';
}
// а to и and к to щ; й and the letters after щ are not item letters.
inline bool is_item_letter(char16_t c) {
  return (c >= u'\u0430' && c <= u'\u0438') || (c >= u'\u043A' && c <= u'\u0449');
}
// A roman number ends at a blank or at the '<' of a tag.
inline bool ends_roman(char16_t c) {
  return c == kBlank || c == u'<';
}

inline char16_t char_at(std::u16string_view text, std::ptrdiff_t pos) {
  return pos >= 0 && static_cast<std::size_t>(pos) < text.size()
             ? text[static_cast<std::size_t>(pos)]
             : kNoChar;
}

// A full-stop item is formatted when it restarts the list (1) or carries the
// number that is due; without a sequence (after an underscore) always.
bool accept_item_number(int number, int* item_sequence) {
  if (item_sequence == nullptr) return true;
  if (number == 1) {
    *item_sequence = 2;
    return true;
  }
  if (number == *item_sequence) {
    *item_sequence = number + 1;
    return true;
  }
  return false;
}

class Converter {
 public:
  Converter(std::u16string_view text, bool auto_format, std::u16string* page)
      : text_(text), auto_format_(auto_format), page_(page) {}

  void run();

 private:
  bool try_tag(std::size_t* i);
  bool try_rules(std::ptrdiff_t* trigger);
  bool format_roman(std::ptrdiff_t* trigger);
  bool format_abbreviation(std::ptrdiff_t* trigger);
  std::size_t next_abbreviation_end(std::size_t from);

  std::u16string_view text_;
  bool auto_format_;
  std::u16string* page_;
  int item_sequence_ = 1;
  // The last search for '.' or ':' : from `end_from_`, the first one lies at
  // `end_pos_` (the text's length when there is none). Searches start at
  // positions that only grow, so reusing the answer keeps the pass linear
  // even for many underscores with no end after them.
  bool end_known_ = false;
  std::size_t end_from_ = 0;
  std::size_t end_pos_ = 0;
};

void Converter::run() {
  const std::size_t n = text_.size();
  if (n == 0) return;
  const std::uint64_t special = kTagStartMask | (auto_format_ ? kSeparatorMask : 0);

  std::size_t i = 0;
  // Position 0: the rules look at the text itself; there is no trigger.
  if (!try_tag(&i)) {
    std::ptrdiff_t pos = -1;
    if (auto_format_ && try_rules(&pos)) {
      i = static_cast<std::size_t>(pos);
    } else {
      page_->push_back(text_[0]);
      i = 1;
    }
  }

  while (i < n) {
    const std::size_t run_start = i;
    while (i < n && !in_mask(text_[i], special)) ++i;
    if (i > run_start) page_->append(text_.data() + run_start, i - run_start);
    if (i >= n) break;

    if (text_[i] == u'<' && try_tag(&i)) continue;
    if (auto_format_ && is_separator(text_[i])) {
      std::ptrdiff_t pos = static_cast<std::ptrdiff_t>(i);
      if (try_rules(&pos)) {
        i = static_cast<std::size_t>(pos);
        continue;
      }
    }
    page_->push_back(text_[i]);
    ++i;
  }
}

bool Converter::try_tag(std::size_t* i) {
  if (text_[*i] != u'<') return false;
  const std::u16string_view rest = text_.substr(*i);
  for (const TagForm& tag : kTags) {
    if (!rest.starts_with(tag.open)) continue;
    const std::size_t start = *i + tag.open.size();
    std::size_t end = text_.find(tag.close, start);
    if (end == std::u16string_view::npos) end = text_.size();
    const std::u16string_view content = text_.substr(start, end - start);
    page_->append(tag.before);
    page_->append(content);
    page_->append(tag.between);
    if (tag.content_twice) page_->append(content);
    page_->append(tag.after);
    // The closing tag is left in the text: it reaches the page as it stands.
    *i = end;
    return true;
  }
  return false;
}

bool Converter::try_rules(std::ptrdiff_t* trigger) {
  const std::ptrdiff_t first = *trigger + 1;
  if (char_at(text_, first) == kUnderscore) {
    if (format_roman(trigger)) return true;
    std::ptrdiff_t pos = first;  // the underscore stands in for the trigger
    if (format_numbered_item(text_, &pos, page_, nullptr)) {
      *trigger = pos;
      return true;
    }
    return format_abbreviation(trigger);
  }
  return format_numbered_item(text_, trigger, page_, &item_sequence_);
}

// "_I " to "_XXX ": one to three roman letters after the underscore, ended by
// a blank or '<', which the walk then meets normally.
bool Converter::format_roman(std::ptrdiff_t* trigger) {
  const std::ptrdiff_t underscore = *trigger + 1;
  for (std::ptrdiff_t count = 1; count <= 3; ++count) {
    if (!is_roman(char_at(text_, underscore + count))) return false;
    if (ends_roman(char_at(text_, underscore + count + 1))) {
      page_->append(kRomanOpen);
      page_->append(
          text_.substr(static_cast<std::size_t>(underscore + 1), static_cast<std::size_t>(count)));
      page_->append(kRomanClose);
      *trigger = underscore + count + 1;
      return true;
    }
  }
  return false;
}

// "_abbr." becomes a link to the abbreviation's expansion. An underscore with
// no '.' or ':' anywhere after it is no abbreviation: it stays ordinary text
// rather than turning the rest of the article into one link.
bool Converter::format_abbreviation(std::ptrdiff_t* trigger) {
  const std::size_t underscore = static_cast<std::size_t>(*trigger + 1);
  const std::size_t end = next_abbreviation_end(underscore + 1);
  if (end >= text_.size() || end < underscore + 2) return false;
  if (*trigger >= 0) page_->push_back(text_[static_cast<std::size_t>(*trigger)]);
  page_->append(kAbbrevOpen);
  page_->append(text_.substr(underscore, end - underscore + 1));
  page_->append(kAbbrevMiddle);
  page_->append(text_.substr(underscore + 1, end - underscore));
  page_->append(kAbbrevClose);
  *trigger = static_cast<std::ptrdiff_t>(end + 1);
  return true;
}

std::size_t Converter::next_abbreviation_end(std::size_t from) {
  if (end_known_ && from >= end_from_ && from <= end_pos_) return end_pos_;
  std::size_t pos = from;
  while (pos < text_.size() && text_[pos] != u'.' && text_[pos] != u':') ++pos;
  end_known_ = true;
  end_from_ = from;
  end_pos_ = pos;
  return pos;
}

}  // namespace

bool format_numbered_item(std::u16string_view text, std::ptrdiff_t* position, std::u16string* page,
                          int* item_sequence) {
  const std::ptrdiff_t base = *position + 1;
  const char16_t c1 = char_at(text, base);
  const char16_t c2 = char_at(text, base + 1);
  const char16_t c3 = char_at(text, base + 2);

  if (is_digit(c1)) {
    const char16_t c4 = char_at(text, base + 3);
    // Full-stop items: "N. " and "NN. "; only these look at the sequence, and
    // an item out of sequence is left as text.
    if (c2 == u'.' && c3 == kBlank) {
      if (!accept_item_number(c1 - u'0', item_sequence)) return false;
      page->append(kFullStopOpen);
      page->push_back(c1);
      page->append(kFullStopClose);
      *position = base + 2;
      return true;
    }
    if (is_digit(c2) && c3 == u'.' && c4 == kBlank) {
      if (!accept_item_number((c1 - u'0') * 10 + (c2 - u'0'), item_sequence)) return false;
      page->append(kFullStopOpen);
      page->push_back(c1);
      page->push_back(c2);
      page->append(kFullStopClose);
      *position = base + 3;
      return true;
    }
    // Bracket items: "N>" and "NN>" show as "N)".
    if (c2 == u'>') {
      page->append(kBracketOpen);
      page->push_back(c1);
      page->append(kBracketClose);
      *position = base + 2;
      return true;
    }
    if (is_digit(c2) && c3 == u'>') {
      page->append(kBracketOpen);
      page->push_back(c1);
      page->push_back(c2);
      page->append(kBracketClose);
      *position = base + 3;
      return true;
    }
    return false;
  }

  // Lettered item "б>": the character after '>' gives way to the &nbsp;.
  if (is_item_letter(c1) && c2 == u'>') {
    page->append(kLetterOpen);
    page->push_back(c1);
    page->append(kLetterClose);
    const std::ptrdiff_t next = base + 3;
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(text.size());
    *position = next < n ? next : n;
    return true;
  }
  return false;
}

void convert_markup(std::u16string_view article, bool auto_format, std::u16string* page) {
  const std::size_t wanted = page->size() + 2 * article.size() + 2;
  if (page->capacity() < wanted) page->reserve(wanted);
  Converter(article, auto_format, page).run();
}

void convert_article_markup(const Dictionary& dict, std::u16string_view article,
                            std::u16string* page) {
  convert_markup(article, (dict.header().flags & FLAG_NO_AUTO_FORMAT) == 0, page);
}

}  // namespace lexora
