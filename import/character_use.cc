#include "import/character_use.h"

#include <array>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/nls.h"

namespace lexora::import {
namespace {

constexpr std::size_t kBmpSize = 0x10000;
constexpr std::uint32_t kDoubleByteCodePages[] = {932, 936, 949, 950};
constexpr std::uint32_t kSingleByteCodePages[] = {1252, 1251, 1250, 1253, 1254,
                                                  1255, 1256, 1257, 1258, 874};
constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// Length of the well-formed UTF-8 sequence at text[i], or 0 (RFC 3629: no
// overlong forms, no surrogates, nothing past U+10FFFF).
std::size_t sequence_length(std::string_view text, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char c = b(i);
  const std::size_t left = text.size() - i;
  const auto cont = [&](std::size_t k) { return (b(k) & 0xC0) == 0x80; };
  if (c < 0x80) return c == 0 ? 0 : 1;
  if (c >= 0xC2 && c <= 0xDF) return left >= 2 && cont(i + 1) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    if (left < 3 || !cont(i + 1) || !cont(i + 2)) return 0;
    if (c == 0xE0 && b(i + 1) < 0xA0) return 0;
    if (c == 0xED && b(i + 1) >= 0xA0) return 0;
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    if (left < 4 || !cont(i + 1) || !cont(i + 2) || !cont(i + 3)) return 0;
    if (c == 0xF0 && b(i + 1) < 0x90) return 0;
    if (c == 0xF4 && b(i + 1) >= 0x90) return 0;
    return 4;
  }
  return 0;
}

}  // namespace

std::size_t end_of_ascii(std::string_view text, std::size_t from) {
  // Sixteen bytes at a time where the processor compares so many at once,
  // else eight: most dictionary text is ASCII.
  std::size_t i = from;
#if defined(__SSE2__)
  while (i + 16 <= text.size()) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    // High bits (bytes of 0x80 and above), and 0 bytes.
    const int stops =
        _mm_movemask_epi8(bytes) | _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128()));
    if (stops != 0)
      return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(stops)));
    i += 16;
  }
#endif
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
  while (i + 8 <= text.size()) {
    std::uint64_t w;
    std::memcpy(&w, text.data() + i, 8);
    // A high bit set, or a 0 byte (the classic has-zero-byte test).
    if (((w | ((w - kOnes) & ~w)) & kHighBits) != 0) break;
    i += 8;
  }
  while (i < text.size() && static_cast<unsigned char>(text[i]) - 1u < 0x7Fu) ++i;
  return i;
}

char32_t next_code_point(std::string_view text, std::size_t* i) {
  const auto c = static_cast<unsigned char>(text[*i]);
  if (c < 0x80) {
    ++*i;
    return c;
  }
  const std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
  char32_t value = c & (0x7F >> n);
  for (std::size_t k = 1; k < n && *i + k < text.size(); ++k)
    value = (value << 6) | (static_cast<unsigned char>(text[*i + k]) & 0x3F);
  *i += n;
  return value;
}

bool is_valid_utf8(std::string_view text) {
  std::size_t i = 0;
  while ((i = end_of_ascii(text, i)) < text.size()) {
    const std::size_t n = sequence_length(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

bool make_valid_utf8(std::string* text) {
  std::size_t i = 0;
  // Fast path: most texts are well-formed and need no copy.
  while ((i = end_of_ascii(*text, i)) < text->size()) {
    const std::size_t n = sequence_length(*text, i);
    if (n == 0) break;
    i += n;
  }
  if (i == text->size()) return false;
  std::string fixed(*text, 0, i);
  while (i < text->size()) {
    const std::size_t n = sequence_length(*text, i);
    if (n == 0) {
      fixed += kReplacement;
      ++i;
    } else {
      fixed.append(*text, i, n);
      i += n;
    }
  }
  *text = std::move(fixed);
  return true;
}

CharacterUse::CharacterUse() : counts_(new std::uint32_t[kBmpSize]()) {}

void CharacterUse::add(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t plain = end_of_ascii(text, i);
    ascii_ += plain - i;
    i = plain;
    if (i == text.size()) break;
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++ascii_;
      ++i;
      continue;
    }
    const char32_t c = next_code_point(text, &i);
    if (c >= kBmpSize)
      ++astral_;
    else if (counts_[c] != UINT32_MAX)
      ++counts_[c];
  }
}

std::uint64_t CharacterUse::utf8_size() const {
  std::uint64_t size = ascii_ + astral_ * 4;
  for (std::size_t c = 0x80; c < kBmpSize; ++c)
    size += std::uint64_t{counts_[c]} * (c < 0x800 ? 2 : 3);
  return size;
}

bool CharacterUse::holds_all(std::uint32_t code_page) const {
  if (astral_ != 0 || !is_valid_code_page(code_page)) return false;
  std::u16string one(1, u' ');
  std::string bytes;
  std::u16string back;
  for (std::size_t c = 0x80; c < kBmpSize; ++c) {
    if (counts_[c] == 0) continue;
    one[0] = static_cast<char16_t>(c);
    if (!to_multibyte(one, code_page, &bytes) || !to_wide(bytes, code_page, &back) || back != one)
      return false;
  }
  return true;
}

std::uint32_t CharacterUse::smallest_code_page(std::uint32_t preferred) const {
  if (holds_all(preferred) && preferred != kCodePageUtf8) {
    bool single = true;
    for (std::uint32_t cp : kDoubleByteCodePages) single = single && cp != preferred;
    if (single) return preferred;
  }
  for (std::uint32_t cp : kSingleByteCodePages)
    if (holds_all(cp)) return cp;
  std::uint64_t non_ascii = 0;
  for (std::size_t c = 0x80; c < kBmpSize; ++c) non_ascii += counts_[c];
  const std::uint64_t double_byte_size = ascii_ + 2 * non_ascii;
  if (double_byte_size >= utf8_size()) return kCodePageUtf8;
  for (std::uint32_t cp : kDoubleByteCodePages)
    if (cp == preferred && holds_all(cp)) return cp;
  for (std::uint32_t cp : kDoubleByteCodePages)
    if (holds_all(cp)) return cp;
  return kCodePageUtf8;
}

}  // namespace lexora::import
