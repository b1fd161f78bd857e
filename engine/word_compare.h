// The one comparison of headwords, shared by the lookup and by the compiler
// that must store headwords in the order the lookup's binary search expects.
//
// Headword order of a dictionary: ascending under compare(a, b, kWholeString,
// ignore_case = true, use_locale) of that dictionary, that is, by the
// lower-cased UTF-16 code units, or by the locale's string sort with case
// ignored when the dictionary uses locale collation.
#ifndef LEXORA_ENGINE_WORD_COMPARE_H_
#define LEXORA_ENGINE_WORD_COMPARE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/nls.h"

namespace lexora {

// "n is whole": compare entire strings.
inline constexpr std::size_t kWholeString = static_cast<std::size_t>(-1);

// Locale collation: FLAG_LOCALE_COLLATION, or any locale other than Russian.
bool uses_locale_collation(std::uint32_t flags, std::uint32_t locale_id);

// Decodes and compares headwords of one dictionary. Holds scratch buffers, so
// one instance is single-threaded; results of decode/lower stay valid until
// the next call that writes the same output.
class WordComparer {
 public:
  WordComparer(std::uint32_t code_page, std::uint32_t locale_id);

  // Headword bytes in the dictionary's code page to UTF-16; false when the
  // code page is not supported (out empty).
  bool decode(std::string_view bytes, std::u16string* out) const {
    return codec_.decode(bytes, out);
  }
  void lower(std::u16string_view text, std::u16string* out) const { codec_.lower(text, out); }

  // Negative, zero or positive as `key` sorts before, equal to or after
  // `word`, over at most n characters (kWholeString for entire strings).
  // Without locale collation the (lower-cased, when ignore_case) texts are
  // compared by unsigned code units up to the first 0; `lowered_key`, when
  // given, must be the lower case of `key`. With locale collation each string
  // is cut to n characters and compared by the locale's string sort.
  int compare(std::u16string_view key, std::optional<std::u16string_view> lowered_key,
              std::u16string_view word, std::size_t n, bool ignore_case, bool use_locale);

  // compare(key, lowered_key, decode(bytes), kWholeString, true, use_locale)
  // for a headword given as its bytes; without locale collation the
  // headword is usually compared straight from the bytes. `scratch`
  // receives the decoded headword when it has to be decoded.
  int compare_headword(std::u16string_view key, std::u16string_view lowered_key,
                       std::string_view bytes, bool use_locale, std::u16string* scratch);

  std::uint32_t locale_id() const { return codec_.locale_id(); }
  bool valid() const { return codec_.valid(); }

 private:
  WordCodec codec_;
  std::u16string lowered_key_;
  std::u16string lowered_word_;
};

// The characters the lookup trims from typed text when punctuation is
// ignored: white space, and punctuation other than apostrophe, hyphen and
// braces, which belong to words ("o'clock", "-ing", markup such as "{b}").
bool is_trimmed_punctuation(char16_t c);

// Code-unit comparison of two texts over at most n units, each ending at its
// end or at its first 0; the sign of the first difference.
int compare_code_units(std::u16string_view a, std::u16string_view b, std::size_t n);

}  // namespace lexora

#endif  // LEXORA_ENGINE_WORD_COMPARE_H_
