// Languages as dictionary sources name them ("English", "ENG", "en",
// "rus") mapped to the Windows locale ids and code pages a ".zd" stores.
#ifndef LEXORA_IMPORT_LANGUAGES_H_
#define LEXORA_IMPORT_LANGUAGES_H_

#include <cstdint>
#include <string_view>

namespace lexora::import {

// Locale of imports whose source names no language (and no --locale given):
// English (United States).
inline constexpr std::uint32_t kDefaultImportLocale = 0x0409;

// The locale id for a language given by ISO 639-1 or 639-2/3 code or by its
// English name, case ignored ("en", "ENG", "English", "ru", "Russian"); 0 when
// the language is not known.
std::uint32_t locale_for_language(std::string_view language);

// The Windows ("ANSI") code page usually used for the locale's language, the
// first single-byte page tried when the text would fit several; 1252 when the
// locale is not one that has its own.
std::uint32_t ansi_code_page_of(std::uint32_t locale_id);

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_LANGUAGES_H_
