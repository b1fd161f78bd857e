#include "engine/word_compare.h"

#include <algorithm>

#include "engine/dictionary_header.h"

namespace lexora {

bool uses_locale_collation(std::uint32_t flags, std::uint32_t locale_id) {
  return (flags & FLAG_LOCALE_COLLATION) != 0 || locale_id != kRussianLocale;
}

bool is_trimmed_punctuation(char16_t c) {
  if (is_space(c)) return true;
  if (c == u'\'' || c == u'-' || c == u'{' || c == u'}') return false;
  return is_punct(c);
}

int compare_code_units(std::u16string_view a, std::u16string_view b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t ca = i < a.size() ? a[i] : u'\0';
    const char16_t cb = i < b.size() ? b[i] : u'\0';
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == u'\0') return 0;
  }
  return 0;
}

WordComparer::WordComparer(std::uint32_t code_page, std::uint32_t locale_id)
    : codec_(code_page, locale_id) {}

int WordComparer::compare(std::u16string_view key, std::optional<std::u16string_view> lowered_key,
                          std::u16string_view word, std::size_t n, bool ignore_case,
                          bool use_locale) {
  if (use_locale) {
    const std::u16string_view a = key.substr(0, std::min(n, key.size()));
    const std::u16string_view b = word.substr(0, std::min(n, word.size()));
    return compare_locale(a, b, codec_.locale_id(), ignore_case);
  }
  if (!ignore_case) return compare_code_units(key, word, n);
  if (!lowered_key) {
    codec_.lower(key, &lowered_key_);
    lowered_key = lowered_key_;
  }
  codec_.lower(word, &lowered_word_);
  return compare_code_units(*lowered_key, lowered_word_, n);
}

int WordComparer::compare_headword(std::u16string_view key, std::u16string_view lowered_key,
                                   std::string_view bytes, bool use_locale,
                                   std::u16string* scratch) {
  int result = 0;
  if (!use_locale && codec_.compare_lowered(lowered_key, bytes, &result)) return result;
  codec_.decode(bytes, scratch);
  return compare(key, lowered_key, *scratch, kWholeString, true, use_locale);
}

}  // namespace lexora
