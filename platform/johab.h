// Johab, Windows code page 1361: the Korean encoding in which every modern
// Hangul syllable is composed of 5-bit jamo codes in two bytes, and the
// symbols and Hanja of KS X 1001 are moved to lead bytes 0xD9-0xF9 by a fixed
// formula. The system's converters (ICU) lack it, so the syllables are worked
// out here and the symbols and Hanja go through ICU's KS X 1001 (EUC-KR).
//
// Bytes below 0x80 are ASCII. Undecodable bytes become U+FFFD; characters
// Johab lacks become "?", as with every other code page.
#ifndef LEXORA_PLATFORM_JOHAB_H_
#define LEXORA_PLATFORM_JOHAB_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace lexora {

inline constexpr std::uint32_t kCodePageJohab = 1361;

// False only when the system's KS X 1001 table cannot be opened.
bool johab_available();
void johab_to_wide(std::string_view bytes, std::u16string* out);
void wide_to_johab(std::u16string_view text, std::string* out);

}  // namespace lexora

#endif  // LEXORA_PLATFORM_JOHAB_H_
