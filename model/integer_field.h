// Integer entry fields of the options pages read their text as C's "%i"
// conversion does, so numbers typed on the handheld keep their meaning here.
#ifndef LEXORA_MODEL_INTEGER_FIELD_H_
#define LEXORA_MODEL_INTEGER_FIELD_H_

#include <cstdint>
#include <optional>
#include <string_view>

namespace lexora {

// The field's buffer: 49 characters and the terminator; more is not read.
inline constexpr std::size_t kIntegerFieldCharacters = 49;

// Leading blanks, an optional sign, then decimal digits, octal after a
// leading 0, or hexadecimal after "0x"/"0X"; reading stops at the first
// character that does not belong, so "08" reads as 0 and "12ab" as 12.
// Nothing when no digit can be read. Values beyond 32 bits saturate.
std::optional<std::int32_t> read_integer_field(std::string_view text);

}  // namespace lexora

#endif  // LEXORA_MODEL_INTEGER_FIELD_H_
