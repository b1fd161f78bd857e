#include "platform/nls.h"

#include <unicode/locid.h>
#include <unicode/ucasemap.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <map>
#include <string>

#include "platform/code_page_names.h"
#include "platform/johab.h"
#include "platform/messages.h"

namespace lexora {
namespace {

UConverter* open_converter(std::uint32_t code_page) {
  UErrorCode status = U_ZERO_ERROR;
  if (const char* name = icu_name_for_code_page(code_page)) {
    UConverter* c = ucnv_open(name, &status);
    return U_SUCCESS(status) ? c : nullptr;
  }
  if (code_page == 0) return nullptr;
  for (const char* prefix : {"windows-", "ibm-"}) {
    status = U_ZERO_ERROR;
    std::string name = prefix + std::to_string(code_page);
    UConverter* c = ucnv_open(name.c_str(), &status);
    // ICU opens unknown names as nothing, but may answer a close alias with a
    // warning; only an exact open counts.
    if (U_SUCCESS(status) && c != nullptr) return c;
    if (c != nullptr) ucnv_close(c);
  }
  return nullptr;
}

// Per-thread caches of opened converters and collators: opening them costs
// far more than using them, and the engine asks for the same few again and
// again.
struct NlsCache {
  std::map<std::uint32_t, UConverter*> converters;   // nullptr: not valid
  std::map<std::uint32_t, UCollator*> collators[2];  // [ignore_case]
  std::map<std::uint32_t, std::string> locales;

  ~NlsCache() {
    for (auto& [cp, c] : converters)
      if (c != nullptr) ucnv_close(c);
    for (auto& table : collators)
      for (auto& [id, c] : table)
        if (c != nullptr) ucol_close(c);
  }

  UConverter* converter(std::uint32_t code_page) {
    auto it = converters.find(code_page);
    if (it != converters.end()) return it->second;
    UConverter* c = open_converter(code_page);
    if (c != nullptr) {
      UErrorCode status = U_ZERO_ERROR;
      ucnv_setFallback(c, true);
      ucnv_setSubstChars(c, "?", 1, &status);
    }
    converters.emplace(code_page, c);
    return c;
  }

  const std::string& locale(std::uint32_t locale_id) {
    auto it = locales.find(locale_id);
    if (it != locales.end()) return it->second;
    char buffer[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    std::int32_t length =
        uloc_getLocaleForLCID(locale_id, buffer, static_cast<std::int32_t>(sizeof buffer), &status);
    std::string name;
    if (U_SUCCESS(status) && length > 0 && length < static_cast<std::int32_t>(sizeof buffer))
      name.assign(buffer, static_cast<std::size_t>(length));
    return locales.emplace(locale_id, std::move(name)).first->second;
  }

  UCollator* collator(std::uint32_t locale_id, bool ignore_case) {
    auto& table = collators[ignore_case ? 1 : 0];
    auto it = table.find(locale_id);
    if (it != table.end()) return it->second;
    UErrorCode status = U_ZERO_ERROR;
    UCollator* c = ucol_open(locale(locale_id).c_str(), &status);
    if (U_FAILURE(status)) {
      if (c != nullptr) ucol_close(c);
      c = nullptr;
    }
    if (c != nullptr) {
      status = U_ZERO_ERROR;
      // Punctuation and symbols take part in the comparison (string sort).
      ucol_setAttribute(c, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
      ucol_setStrength(c, ignore_case ? UCOL_SECONDARY : UCOL_TERTIARY);
    }
    table.emplace(locale_id, c);
    return c;
  }
};

NlsCache& cache() {
  thread_local NlsCache instance;
  return instance;
}

const UChar* as_uchar(std::u16string_view text) {
  return reinterpret_cast<const UChar*>(text.data());
}

}  // namespace

bool is_valid_code_page(std::uint32_t code_page) {
  if (code_page == kCodePageJohab) return johab_available();
  return cache().converter(code_page) != nullptr;
}

bool to_wide(std::string_view bytes, std::uint32_t code_page, std::u16string* out) {
  out->clear();
  if (code_page == kCodePageJohab) {
    if (!johab_available()) return false;
    johab_to_wide(bytes, out);
    return true;
  }
  UConverter* c = cache().converter(code_page);
  if (c == nullptr) return false;
  if (bytes.empty()) return true;
  // Every byte gives at most two UTF-16 units in any code page ICU knows.
  out->resize(bytes.size() * 2 + 2);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetToUnicode(c);
  std::int32_t length = ucnv_toUChars(c, reinterpret_cast<UChar*>(out->data()),
                                      static_cast<std::int32_t>(out->size()), bytes.data(),
                                      static_cast<std::int32_t>(bytes.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    status = U_ZERO_ERROR;
    out->resize(static_cast<std::size_t>(length) + 1);
    ucnv_resetToUnicode(c);
    length = ucnv_toUChars(c, reinterpret_cast<UChar*>(out->data()),
                           static_cast<std::int32_t>(out->size()), bytes.data(),
                           static_cast<std::int32_t>(bytes.size()), &status);
  }
  if (U_FAILURE(status)) {
    if (status == U_MEMORY_ALLOCATION_ERROR) out_of_memory_stop();
    out->clear();
    return false;
  }
  out->resize(static_cast<std::size_t>(length));
  return true;
}

std::u16string to_wide(std::string_view bytes, std::uint32_t code_page) {
  std::u16string out;
  to_wide(bytes, code_page, &out);
  return out;
}

bool to_multibyte(std::u16string_view text, std::uint32_t code_page, std::string* out) {
  out->clear();
  if (code_page == kCodePageJohab) {
    if (!johab_available()) return false;
    wide_to_johab(text, out);
    return true;
  }
  UConverter* c = cache().converter(code_page);
  if (c == nullptr) return false;
  if (text.empty()) return true;
  out->resize(text.size() * static_cast<std::size_t>(ucnv_getMaxCharSize(c)) + 4);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetFromUnicode(c);
  std::int32_t length =
      ucnv_fromUChars(c, out->data(), static_cast<std::int32_t>(out->size()), as_uchar(text),
                      static_cast<std::int32_t>(text.size()), &status);
  if (U_FAILURE(status)) {
    if (status == U_MEMORY_ALLOCATION_ERROR) out_of_memory_stop();
    out->clear();
    return false;
  }
  out->resize(static_cast<std::size_t>(length));
  return true;
}

std::string to_multibyte(std::u16string_view text, std::uint32_t code_page) {
  std::string out;
  to_multibyte(text, code_page, &out);
  return out;
}

std::string locale_name_for_lcid(std::uint32_t locale_id) {
  return cache().locale(locale_id);
}

void to_lower(std::u16string_view text, std::uint32_t locale_id, std::u16string* out) {
  out->clear();
  if (text.empty()) return;
  const std::string& locale = cache().locale(locale_id);
  // Lower case is rarely longer than the text; retry once with the exact size.
  out->resize(text.size() + 8);
  UErrorCode status = U_ZERO_ERROR;
  std::int32_t length =
      u_strToLower(reinterpret_cast<UChar*>(out->data()), static_cast<std::int32_t>(out->size()),
                   as_uchar(text), static_cast<std::int32_t>(text.size()), locale.c_str(), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    status = U_ZERO_ERROR;
    out->resize(static_cast<std::size_t>(length) + 1);
    length = u_strToLower(reinterpret_cast<UChar*>(out->data()),
                          static_cast<std::int32_t>(out->size()), as_uchar(text),
                          static_cast<std::int32_t>(text.size()), locale.c_str(), &status);
  }
  if (U_FAILURE(status)) {
    if (status == U_MEMORY_ALLOCATION_ERROR) out_of_memory_stop();
    out->assign(text);
    return;
  }
  out->resize(static_cast<std::size_t>(length));
}

std::u16string to_lower(std::u16string_view text, std::uint32_t locale_id) {
  std::u16string out;
  to_lower(text, locale_id, &out);
  return out;
}

int compare_locale(std::u16string_view a, std::u16string_view b, std::uint32_t locale_id,
                   bool ignore_case) {
  UCollator* c = cache().collator(locale_id, ignore_case);
  if (c == nullptr) return 0;
  UCollationResult r = ucol_strcoll(c, as_uchar(a), static_cast<std::int32_t>(a.size()),
                                    as_uchar(b), static_cast<std::int32_t>(b.size()));
  return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

void locale_sort_key(std::u16string_view text, std::uint32_t locale_id, bool ignore_case,
                     std::string* out) {
  out->clear();
  UCollator* c = cache().collator(locale_id, ignore_case);
  if (c == nullptr) return;
  const auto length = static_cast<std::int32_t>(text.size());
  // Keys run to a few bytes per character; one retry when the guess is short.
  out->resize(text.size() * 4 + 16);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::int32_t needed =
        ucol_getSortKey(c, as_uchar(text), length, reinterpret_cast<std::uint8_t*>(out->data()),
                        static_cast<std::int32_t>(out->size()));
    if (needed <= 0) break;
    if (static_cast<std::size_t>(needed) <= out->size()) {
      out->resize(static_cast<std::size_t>(needed) - 1);  // without the key's final 0
      return;
    }
    out->resize(static_cast<std::size_t>(needed));
  }
  out->clear();
}

bool is_space(char16_t c) {
  return u_isUWhiteSpace(c);
}

bool is_punct(char16_t c) {
  const std::int32_t mask = U_GC_P_MASK | U_GC_S_MASK;
  return (U_GET_GC_MASK(c) & mask) != 0;
}

// --- WordCodec ---

namespace {

constexpr char16_t kContextual = 0;  // needs the full call

// Characters whose lower case depends on the characters around them in the
// given language (final sigma everywhere; dotted and dotless i in Turkish and
// Azeri; the kept dot above i in Lithuanian).
bool is_contextual(char16_t c, const std::string& locale) {
  if (c == u'\u03A3' || c == u'\u0130') return true;
  std::string language = locale.substr(0, locale.find('_'));
  if (language == "tr" || language == "az") return c == u'I' || c == u'\u0307';
  if (language == "lt")
    return c == u'I' || c == u'J' || c == u'\u012E' || c == u'\u00CC' || c == u'\u00CD' ||
           c == u'\u0128' || c == u'\u0307';
  return false;
}

}  // namespace

WordCodec::WordCodec(std::uint32_t code_page, std::uint32_t locale_id)
    : code_page_(code_page), locale_id_(locale_id) {
  UConverter* c = cache().converter(code_page);
  valid_ = is_valid_code_page(code_page);
  if (c != nullptr && ucnv_getMaxCharSize(c) == 1 && ucnv_getMinCharSize(c) == 1) {
    single_byte_ = true;
    std::u16string one;
    for (int b = 0; b < 256; ++b) {
      char byte = static_cast<char>(b);
      to_wide(std::string_view(&byte, 1), code_page, &one);
      if (one.size() != 1) {
        single_byte_ = false;
        break;
      }
      decode_table_[static_cast<std::size_t>(b)] = one[0];
    }
  }
  lower_table_.reset(new char16_t[0x10000]);
  std::fill(lower_table_.get(), lower_table_.get() + 0x10000, kNotAsked);
}

WordCodec::~WordCodec() = default;

bool WordCodec::decode(std::string_view bytes, std::u16string* out) const {
  if (!single_byte_) return to_wide(bytes, code_page_, out);
  out->resize(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i)
    (*out)[i] = decode_table_[static_cast<unsigned char>(bytes[i])];
  return true;
}

char16_t WordCodec::lower_unit_from_icu(char16_t c) const {
  char16_t l = kContextual;
  if (!U16_IS_SURROGATE(c) && !is_contextual(c, cache().locale(locale_id_))) {
    std::u16string lowered;
    to_lower(std::u16string_view(&c, 1), locale_id_, &lowered);
    if (lowered.size() == 1 && lowered[0] != kNotAsked && lowered[0] != kContextual) l = lowered[0];
  }
  lower_table_[c] = l;
  return l;
}

void WordCodec::lower(std::u16string_view text, std::u16string* out) const {
  out->resize(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t l = lower_unit(text[i]);
    if (l == kContextual) {
      to_lower(text, locale_id_, out);
      return;
    }
    (*out)[i] = l;
  }
}

bool WordCodec::compare_lowered(std::u16string_view lowered_key, std::string_view bytes,
                                int* result) const {
  if (!single_byte_) return false;
  // Characters before the first one whose lower case depends on context
  // lower one for one, so a difference found before such a character is
  // final.
  for (std::size_t i = 0;; ++i) {
    const char16_t k = i < lowered_key.size() ? lowered_key[i] : u'\0';
    char16_t w = u'\0';
    if (i < bytes.size()) {
      w = lower_unit(decode_table_[static_cast<unsigned char>(bytes[i])]);
      if (w == kContextual) return false;
    }
    if (k != w) {
      *result = k < w ? -1 : 1;
      return true;
    }
    if (k == u'\0') {
      *result = 0;
      return true;
    }
  }
}

}  // namespace lexora
