// The visible text of an article: what a reader sees of it on the page, for
// searching. The article's own markup and HTML are dropped the way the page
// shows them:
//  - HTML tags (a '<' followed by a letter, '/', '!' or '?', up to the
//    matching '>', quoted attribute values included) and comments vanish;
//    tags that break a line (br, p, div, li, td, ...) count as white space.
//  - <r>...</r> (a reference: a link target) and <wav>...</wav> (a sound
//    name, shown as an icon) vanish with their content; without its closing
//    tag the content runs to the end of the article.
//  - The entities &amp; &lt; &gt; &quot; &apos; &nbsp; and numeric ones
//    (&#NNN; &#xHH;) stand for their character; anything else after '&' is
//    text.
//  - Runs of white space (and no-break spaces) become one space; white space
//    before the first visible character and after the last is dropped.
// A '<' that starts no tag is text, as the page shows it.
//
// VisibleScanner walks any text of code units given a decoder to UTF-16, so
// the search can run the same rules over raw single-byte article bytes and
// over decoded UTF-16 text.
#ifndef LEXORA_ENGINE_VISIBLE_TEXT_H_
#define LEXORA_ENGINE_VISIBLE_TEXT_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lexora {

namespace visible_detail {

// What starts at a '<'.
enum class Markup { kText, kTag, kBreakTag, kHidden };

inline bool is_space_unit(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v' ||
         c == u'\u00A0';
}
inline bool is_ascii_letter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Named tags that start a new line on the page.
bool is_break_tag(std::u16string_view lowered_name);
// The character of the named entity (without '&' and ';'), or 0.
char16_t named_entity(std::u16string_view name);

}  // namespace visible_detail

// Decoders for VisibleScanner: a code unit of the text to UTF-16.
struct Utf16Units {
  char16_t operator()(char16_t c) const { return c; }
};

// Walks the visible characters of `text` from `start`, which must be a
// position outside any tag or hidden content (the start of an article, or
// the position of a visible character). Never reads outside the text.
template <typename Unit, typename Decode>
class VisibleScanner {
 public:
  VisibleScanner(const Unit* text, std::size_t size, std::size_t start, Decode decode,
                 bool after_visible)
      : text_(text), size_(size), pos_(start), decode_(decode), emitted_(after_visible) {}

  // The next visible character and the position of the unit (or of the
  // entity's '&') it comes from; a collapsed space reports the position of
  // the first white space or tag of its run. False at the end.
  bool next(char16_t* out, std::size_t* source) {
    // Most characters are plain text: no markup, no space, none pending.
    if (pos_ < size_ && !space_pending_) {
      const char16_t c = decode_(text_[pos_]);
      if (is_plain(c)) {
        emitted_ = true;
        *out = c;
        *source = pos_++;
        return true;
      }
    }
    for (;;) {
      if (pos_ >= size_) return false;
      const char16_t c = decode_(text_[pos_]);
      char16_t visible = c;
      std::size_t length = 1;
      if (c == u'<') {
        std::size_t after = pos_;
        const visible_detail::Markup kind = classify_markup(&after);
        if (kind != visible_detail::Markup::kText) {
          if (kind == visible_detail::Markup::kBreakTag) note_space();
          pos_ = after;
          continue;
        }
      } else if (c == u'&') {
        length = entity(&visible);
      }
      if (visible_detail::is_space_unit(visible)) {
        note_space();
        pos_ += length;
        continue;
      }
      if (space_pending_) {
        space_pending_ = false;
        *out = u' ';
        *source = space_at_;
        return true;
      }
      emitted_ = true;
      *out = visible;
      *source = pos_;
      pos_ += length;
      return true;
    }
  }

  // Up to `room` visible characters into `out`, the same next() gives;
  // returns how many, fewer than `room` only at the end of the text. A
  // visible character takes at least one unit of the text, so room for the
  // units left from position() always suffices for the rest.
  std::size_t read(char16_t* out, std::size_t room) {
    std::size_t n = 0;
    while (n < room) {
      if (!space_pending_) n += read_plain(out + n, room - n);
      if (n == room) break;
      std::size_t at;
      if (!next(out + n, &at)) break;
      ++n;
    }
    return n;
  }

  std::size_t position() const { return pos_; }

 private:
  static bool is_plain(char16_t c) { return c > u' ' && c != u'<' && c != u'&' && c != u'\u00A0'; }

  // Plain text, and white space between plain text (as one space), into
  // `out` with no space pending on entry; stops at markup, an entity, white
  // space before either, or the end, and leaves those to next().
  std::size_t read_plain(char16_t* out, std::size_t room) {
    std::size_t n = 0;
    std::size_t p = pos_;
    bool any = emitted_;
    bool more = true;
    while (more && n < room && p < size_) {
      copy_ascii(out, room, &n, &p, &any);
      more = read_plain_units(out, room, std::min(size_, p + kStretch), &n, &p, &any);
    }
    emitted_ = any;
    pos_ = p;
    return n;
  }

  // Units looked at one by one before sixteen at a time are tried again.
  static constexpr std::size_t kStretch = 8;

  // read_plain one unit at a time, up to `stop` (a run of white space may go
  // past it); false where plain text ends.
  bool read_plain_units(char16_t* out, std::size_t room, std::size_t stop, std::size_t* n_io,
                        std::size_t* p_io, bool* any_io) {
    std::size_t n = *n_io;
    std::size_t p = *p_io;
    bool any = *any_io;
    bool more = true;
    while (n < room && p < stop) {
      const char16_t c = decode_(text_[p]);
      if (is_plain(c)) {
        out[n++] = c;
        ++p;
        any = true;
        continue;
      }
      more = false;
      if (!visible_detail::is_space_unit(c)) break;
      std::size_t q = p + 1;
      while (q < size_ && visible_detail::is_space_unit(decode_(text_[q]))) ++q;
      if (!any) {
        p = q;
        more = true;
        continue;
      }
      if (q >= size_ || room - n < 2) break;
      const char16_t after = decode_(text_[q]);
      if (!is_plain(after)) break;
      out[n++] = u' ';
      out[n++] = after;
      p = q + 1;
      more = true;
    }
    *n_io = n;
    *p_io = p;
    *any_io = any;
    return more;
  }

  // Sixteen bytes at a time while they are printable ASCII with single
  // spaces inside (a decoder that says its bytes below 0x80 are ASCII):
  // the bytes up to the first other one (or a space that may end a run)
  // are the text.
  void copy_ascii(char16_t* out, std::size_t room, std::size_t* n_io, std::size_t* p_io,
                  bool* any_io) {
#if defined(__SSE2__)
    if constexpr (std::is_same_v<Unit, unsigned char> && requires { decode_.ascii; }) {
      if (!decode_.ascii) return;
      std::size_t n = *n_io;
      std::size_t p = *p_io;
      const __m128i zero = _mm_setzero_si128();
      while (room - n >= 16 && size_ - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_ + p));
        // Signed compare: bytes from 0x80 count as below the space.
        const __m128i printable = _mm_andnot_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(0x7F)),
                                                   _mm_cmpgt_epi8(v, _mm_set1_epi8(0x20)));
        const __m128i markup = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('<')),
                                            _mm_cmpeq_epi8(v, _mm_set1_epi8('&')));
        const auto plain =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(markup, printable)));
        const auto spaces =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(' '))));
        // Other bytes, the first of two spaces, and a space first (whether
        // it shows depends on what came before) are left to the unit code.
        const unsigned bad =
            (~(plain | spaces) & 0xFFFFu) | (spaces & (spaces >> 1)) | (spaces & 1u);
        auto good = static_cast<std::size_t>(__builtin_ctz(bad | 0x10000u));
        // Nor a space last: what follows it decides.
        if (good > 0 && ((spaces >> (good - 1)) & 1u) != 0) --good;
        if (good == 0) break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n + 8), _mm_unpackhi_epi8(v, zero));
        n += good;
        p += good;
        *any_io = true;
        if (good < 16) break;
      }
      *n_io = n;
      *p_io = p;
    }
#endif
  }

  char16_t at(std::size_t i) const {
    return i < size_ ? decode_(text_[i]) : u'\0';
  }

  void note_space() {
    if (emitted_ && !space_pending_) {
      space_pending_ = true;
      space_at_ = pos_;
    }
  }

  bool literal_at(std::size_t i, std::u16string_view literal) const {
    if (size_ - std::min(size_, i) < literal.size()) return false;
    for (std::size_t k = 0; k < literal.size(); ++k)
      if (decode_(text_[i + k]) != literal[k]) return false;
    return true;
  }

  // Position just after the first `literal` at or after `from`, or the end.
  std::size_t skip_past(std::size_t from, std::u16string_view literal) const {
    for (std::size_t i = from; i < size_; ++i)
      if (literal_at(i, literal)) return i + literal.size();
    return size_;
  }

  visible_detail::Markup classify_markup(std::size_t* after) const {
    using visible_detail::Markup;
    const std::size_t p = *after;
    if (literal_at(p, u"<r>")) {
      *after = skip_past(p + 3, u"</r>");
      return Markup::kHidden;
    }
    if (literal_at(p, u"<wav>")) {
      *after = skip_past(p + 5, u"</wav>");
      return Markup::kHidden;
    }
    if (literal_at(p, u"<!--")) {
      *after = skip_past(p + 4, u"-->");
      return Markup::kTag;
    }
    const char16_t first = at(p + 1);
    if (!visible_detail::is_ascii_letter(first) && first != u'/' && first != u'!' &&
        first != u'?') {
      return Markup::kText;
    }
    // The tag's name, for the line-breaking ones.
    char16_t name[12];
    std::size_t name_length = 0;
    std::size_t i = p + 1 + (first == u'/' ? 1 : 0);
    for (; i < size_; ++i) {
      char16_t n = decode_(text_[i]);
      if (!visible_detail::is_ascii_letter(n) && !(n >= u'0' && n <= u'9')) break;
      if (name_length < sizeof name / sizeof name[0])
        name[name_length] = n >= u'A' && n <= u'Z' ? static_cast<char16_t>(n + 32) : n;
      ++name_length;
    }
    // Up to the '>' that is not inside a quoted attribute value.
    char16_t quote = 0;
    for (; i < size_; ++i) {
      const char16_t n = decode_(text_[i]);
      if (quote != 0) {
        if (n == quote) quote = 0;
      } else if (n == u'"' || n == u'\'') {
        quote = n;
      } else if (n == u'>') {
        break;
      }
    }
    *after = i < size_ ? i + 1 : size_;
    const bool breaks = name_length <= sizeof name / sizeof name[0] &&
                        visible_detail::is_break_tag(std::u16string_view(name, name_length));
    return breaks ? Markup::kBreakTag : Markup::kTag;
  }

  // At '&': the entity's length and character in *visible, or 1 (the '&'
  // itself) when no known entity starts here.
  std::size_t entity(char16_t* visible) const {
    constexpr std::size_t kLongest = 10;  // "&#x10FFFF;" and the names fit
    std::size_t end = pos_ + 1;
    while (end < size_ && end - pos_ <= kLongest && at(end) != u';') ++end;
    if (end >= size_ || at(end) != u';' || end == pos_ + 1) return 1;
    char16_t body[kLongest];
    const std::size_t length = end - pos_ - 1;
    for (std::size_t k = 0; k < length; ++k) body[k] = at(pos_ + 1 + k);
    const char16_t c = decode_entity(std::u16string_view(body, length));
    if (c == 0) return 1;
    *visible = c;
    return length + 2;
  }

  static char16_t decode_entity(std::u16string_view body) {
    if (body[0] != u'#') return visible_detail::named_entity(body);
    const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
    const std::size_t digits_at = hex ? 2 : 1;
    if (body.size() <= digits_at) return 0;
    std::uint32_t value = 0;
    for (std::size_t k = digits_at; k < body.size(); ++k) {
      const char16_t d = body[k];
      std::uint32_t digit;
      if (d >= u'0' && d <= u'9') {
        digit = d - u'0';
      } else if (hex && d >= u'a' && d <= u'f') {
        digit = d - u'a' + 10;
      } else if (hex && d >= u'A' && d <= u'F') {
        digit = d - u'A' + 10;
      } else {
        return 0;
      }
      value = value * (hex ? 16 : 10) + digit;
      if (value > 0xFFFF) return 0;  // outside one UTF-16 unit: left as text
    }
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return static_cast<char16_t>(value);
  }

  const Unit* text_;
  std::size_t size_;
  std::size_t pos_;
  Decode decode_;
  bool emitted_;
  bool space_pending_ = false;
  std::size_t space_at_ = 0;
};

// Appends the visible text of `text` to `out` and, when `source` is not
// null, the text position of each character (see VisibleScanner::next).
template <typename Unit, typename Decode>
void append_visible_text(const Unit* text, std::size_t size, Decode decode, std::u16string* out,
                         std::vector<std::uint32_t>* source) {
  VisibleScanner<Unit, Decode> scanner(text, size, 0, decode, false);
  if (source == nullptr) {
    const std::size_t before = out->size();
    out->resize(before + size);
    out->resize(before + scanner.read(out->data() + before, size));
    return;
  }
  char16_t c;
  std::size_t at;
  while (scanner.next(&c, &at)) {
    out->push_back(c);
    source->push_back(static_cast<std::uint32_t>(at));
  }
}

// The visible text of a whole article.
std::u16string visible_text(std::u16string_view article,
                            std::vector<std::uint32_t>* source = nullptr);

}  // namespace lexora

#endif  // LEXORA_ENGINE_VISIBLE_TEXT_H_
