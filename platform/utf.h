// UTF-8 <-> UTF-16 conversion for the program's own texts (command line,
// paths, messages, Qt boundary). Dictionary text in Windows code pages goes
// through nls.h instead. Ill-formed input is replaced with U+FFFD, never
// rejected, so these never fail.
#ifndef LEXORA_PLATFORM_UTF_H_
#define LEXORA_PLATFORM_UTF_H_

#include <string>
#include <string_view>

namespace lexora {

std::u16string utf8_to_utf16(std::string_view text);
std::string utf16_to_utf8(std::u16string_view text);

}  // namespace lexora

#endif  // LEXORA_PLATFORM_UTF_H_
