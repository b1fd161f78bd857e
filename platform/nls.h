// National-language services for dictionary text: Windows code pages to and
// from UTF-16, lower-casing and string comparison for a Windows locale id
// (LCID), and the character classes used when trimming punctuation.
//
// Everything runs on ICU. A Windows code page N is ICU's converter of the name
// platform/code_page_names gives it, else ICU's "windows-N" or "ibm-N"; a code
// page ICU cannot open is not valid. Johab (1361), which ICU lacks, is
// converted by platform/johab.
// A locale id maps to an ICU locale through uloc_getLocaleForLCID; an unknown
// id falls back to the root locale.
//
// Opened converters and collators are cached per thread, so repeated calls
// with the same code page or locale do not reopen them. None of these calls
// throws or fails on bad bytes: undecodable bytes become U+FFFD, unmappable
// characters become "?".
#ifndef LEXORA_PLATFORM_NLS_H_
#define LEXORA_PLATFORM_NLS_H_

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace lexora {

inline constexpr std::uint32_t kCodePageUtf8 = 65001;

// True when text in `code_page` can be converted.
bool is_valid_code_page(std::uint32_t code_page);

// 8-bit text in `code_page` to UTF-16. Returns false (and empties `out`) when
// the code page is not valid. The text is taken to its end; embedded 0 bytes
// are converted like any other byte.
bool to_wide(std::string_view bytes, std::uint32_t code_page, std::u16string* out);
std::u16string to_wide(std::string_view bytes, std::uint32_t code_page);

// UTF-16 to 8-bit text in `code_page`; characters the code page lacks become
// a best-fit character when ICU knows one, else "?". False (and `out` empty)
// when the code page is not valid.
bool to_multibyte(std::u16string_view text, std::uint32_t code_page, std::string* out);
std::string to_multibyte(std::u16string_view text, std::uint32_t code_page);

// Lower-cases `text` with the rules of the language of `locale_id` (so
// context-dependent rules such as the Greek final sigma and the Turkish dotted
// and dotless i apply). `out` may be resized; it must not alias `text`.
void to_lower(std::u16string_view text, std::uint32_t locale_id, std::u16string* out);
std::u16string to_lower(std::u16string_view text, std::uint32_t locale_id);

// The ICU locale name for a Windows locale id ("" for the root locale).
std::string locale_name_for_lcid(std::uint32_t locale_id);

// The locale's string sort of `a` and `b`: punctuation and symbols are not
// ignored (hyphen and apostrophe sort as symbols), and with `ignore_case` case
// differences are ignored. Returns -1, 0 or 1.
int compare_locale(std::u16string_view a, std::u16string_view b, std::uint32_t locale_id,
                   bool ignore_case);

// The sort key of `text` under compare_locale's collation for `locale_id`:
// comparing two keys byte by byte (memcmp, the shorter first on a tie) gives
// the same order as compare_locale, without calling the collator per
// comparison. `out` is empty when the locale's collator cannot be opened.
void locale_sort_key(std::u16string_view text, std::uint32_t locale_id, bool ignore_case,
                     std::string* out);

// Character classes for trimming punctuation from typed text: a space is any
// white-space character; punctuation is any character of the general
// categories P* and S* (so symbols such as $ + < = > count).
bool is_space(char16_t c);
bool is_punct(char16_t c);

// Fast decoding and lower-casing of headwords for one (code page, locale)
// pair. For a single-byte code page the answers of ICU for each byte are
// cached in tables; characters whose lower case depends on their neighbours
// (or that lower-case to more than one unit) send the whole text through
// to_lower, so results are always identical to to_wide and to_lower. For
// other code pages every call goes to ICU.
class WordCodec {
 public:
  WordCodec(std::uint32_t code_page, std::uint32_t locale_id);
  ~WordCodec();
  WordCodec(const WordCodec&) = delete;
  WordCodec& operator=(const WordCodec&) = delete;

  bool valid() const { return valid_; }
  std::uint32_t code_page() const { return code_page_; }
  std::uint32_t locale_id() const { return locale_id_; }
  // One byte per character: decode_unit() then gives each character.
  bool single_byte() const { return single_byte_; }
  char16_t decode_unit(unsigned char byte) const { return decode_table_[byte]; }
  // The lower case of `c` alone, or 0 when it needs the whole text (its
  // lower case depends on its neighbours or is longer than one unit). Fills
  // a table as it goes, so one codec must not be shared between threads.
  // The table lookup is inline: the article search calls this for every
  // character it reads.
  char16_t lower_unit(char16_t c) const {
    const char16_t l = lower_table_[c];
    return l != kNotAsked ? l : lower_unit_from_icu(c);
  }

  // Same results as to_wide(bytes, code_page) and to_lower(text, locale_id).
  bool decode(std::string_view bytes, std::u16string* out) const;
  void lower(std::u16string_view text, std::u16string* out) const;

  // Compares `lowered_key` with lower(decode(bytes)) by unsigned code units
  // (each text ending at its end or its first 0), without building either
  // text: *result gets the sign. False when the tables cannot answer (a
  // code page of more than one byte per character, or a character whose
  // lower case depends on its neighbours); the caller then converts.
  bool compare_lowered(std::u16string_view lowered_key, std::string_view bytes, int* result) const;

 private:
  static constexpr char16_t kNotAsked = 0xFFFF;  // lower_table_ entry not filled yet
  char16_t lower_unit_from_icu(char16_t c) const;

  std::uint32_t code_page_;
  std::uint32_t locale_id_;
  bool valid_ = false;
  bool single_byte_ = false;
  std::array<char16_t, 256> decode_table_{};
  // Lower case of each UTF-16 unit below 0x3000 that lowers to one unit
  // without regard to context; 0 where the full ICU call is needed.
  std::unique_ptr<char16_t[]> lower_table_;
};

}  // namespace lexora

#endif  // LEXORA_PLATFORM_NLS_H_
