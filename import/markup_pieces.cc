#include "import/markup_pieces.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lexora::import {
namespace {

constexpr std::array<std::string_view, 5> kPictureExtensions = {"bmp", "gif", "jpg", "jpeg", "png"};
// The sounds the program plays itself; other sounds are opened as files.
constexpr std::array<std::string_view, 2> kSoundExtensions = {"wav", "ogg"};

#if !defined(__SSE2__)
// True when one of the eight bytes of `w` equals the byte `b` (the classic
// has-zero-byte test on w XOR b repeated).
constexpr bool has_byte(std::uint64_t w, unsigned char b) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
  const std::uint64_t x = w ^ (kOnes * b);
  return ((x - kOnes) & ~x & kHighBits) != 0;
}
#endif

bool equal_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (x != b[i]) return false;
  }
  return true;
}

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool is_letter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

MediaKind media_kind_of(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot + 1 == name.size()) return MediaKind::kOtherFile;
  const std::string_view extension = name.substr(dot + 1);
  for (std::string_view e : kPictureExtensions) {
    if (equal_ascii_case(extension, e)) return MediaKind::kPicture;
  }
  for (std::string_view e : kSoundExtensions) {
    if (equal_ascii_case(extension, e)) return MediaKind::kSound;
  }
  return MediaKind::kOtherFile;
}

void append_escaped(std::string_view text, std::string* out) {
  // Runs without a character to escape are copied whole; they are found
  // sixteen bytes at a time where the processor compares so many at once
  // (eight elsewhere), since most text has few.
  std::size_t plain = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
#if defined(__SSE2__)
    if (i + 16 <= text.size()) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
      const int found =
          _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('&')),
                                                      _mm_cmpeq_epi8(bytes, _mm_set1_epi8('<'))),
                                         _mm_cmpeq_epi8(bytes, _mm_set1_epi8('>'))));
      if (found == 0) {
        i += 15;
        continue;
      }
      i += static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(found)));
    }
#else
    if (i + 8 <= text.size()) {
      std::uint64_t w;
      std::memcpy(&w, text.data() + i, 8);
      if (!has_byte(w, '&') && !has_byte(w, '<') && !has_byte(w, '>')) {
        i += 7;
        continue;
      }
    }
#endif
    const char c = text[i];
    const char* entity = c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : nullptr;
    if (entity == nullptr) continue;
    out->append(text.substr(plain, i - plain));
    out->append(entity);
    plain = i + 1;
  }
  out->append(text.substr(plain));
}

void append_html_attribute(std::string_view text, std::string* out) {
  for (char c : text) {
    if (c == '"') {
      out->append("&quot;");
    } else {
      append_escaped(std::string_view(&c, 1), out);
    }
  }
}

std::string_view safe_colour(std::string_view colour, std::string_view fallback) {
  colour = trim_blanks(colour);
  if (colour.empty()) return fallback;
  if (colour[0] == '#') {
    const std::string_view digits = colour.substr(1);
    if (digits.size() != 3 && digits.size() != 6) return fallback;
    for (char c : digits) {
      if (!is_hex(c)) return fallback;
    }
    return colour;
  }
  if (colour.size() > 32) return fallback;
  for (char c : colour) {
    if (!is_letter(c)) return fallback;
  }
  return colour;
}

void append_media_markup(std::string_view name, std::string* out) {
  switch (media_kind_of(name)) {
    case MediaKind::kPicture:
      out->append("<img src=\"");
      append_html_attribute(name, out);
      out->append("\">");
      break;
    case MediaKind::kSound:
      // The converter copies the content into the link target as it stands.
      out->append("<wav>");
      append_html_attribute(name, out);
      out->append("</wav>");
      break;
    case MediaKind::kOtherFile:
      out->append("<a href=\"file://");
      append_html_attribute(name, out);
      out->append("\">");
      append_escaped(name, out);
      out->append("</a>");
      break;
  }
}

void append_headword_link(std::string_view target, std::string_view text, std::string* out) {
  out->append("<a href=\"");
  append_html_attribute(target, out);
  out->append("\">");
  append_escaped(text, out);
  out->append("</a>");
}

void append_word_link(std::string_view target, std::string_view text, std::string* out) {
  out->append("<a href=\"");
  bool pending_space = false;
  bool started = false;
  for (char c : target) {
    if (is_blank(c)) {
      pending_space = started;
      continue;
    }
    if (pending_space) out->push_back(' ');
    pending_space = false;
    started = true;
    append_html_attribute(std::string_view(&c, 1), out);
  }
  out->append("\">");
  out->append(text);
  out->append("</a>");
}

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string collapse_blanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool pending_space = false;
  for (char c : text) {
    if (is_blank(c)) {
      pending_space = !out.empty();
      continue;
    }
    if (pending_space) out.push_back(' ');
    pending_space = false;
    out.push_back(c);
  }
  return out;
}

}  // namespace lexora::import
