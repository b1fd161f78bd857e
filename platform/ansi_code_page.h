// The "ANSI" code page: the 8-bit Windows code page that a system set to a
// given language uses for text that carries no code page of its own (a
// pack's style sheet, for one). This platform has none, so it is derived from
// the user's locale.
#ifndef LEXORA_PLATFORM_ANSI_CODE_PAGE_H_
#define LEXORA_PLATFORM_ANSI_CODE_PAGE_H_

#include <cstdint>
#include <string_view>

namespace lexora {

inline constexpr std::uint32_t kDefaultAnsiCodePage = 1252;

// The ANSI code page of a POSIX locale name such as "ru_RU.UTF-8",
// "sr_RS@latin" or "zh_TW": 1251 for Russian, 1252 for Western European
// languages, 1250 for Central European ones, and so on; 1252 for "C",
// "POSIX", an empty name and any language without one.
std::uint32_t ansi_code_page_for_locale(std::string_view locale);

// That of the user's locale: the first of LC_ALL, LC_CTYPE and LANG that is
// set and not empty. Read anew on each call.
std::uint32_t ansi_code_page();

}  // namespace lexora

#endif  // LEXORA_PLATFORM_ANSI_CODE_PAGE_H_
