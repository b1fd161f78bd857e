#include "model/integer_field.h"

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <string>

namespace lexora {

std::optional<std::int32_t> read_integer_field(std::string_view text) {
  const std::string bounded(text.substr(0, kIntegerFieldCharacters));
  const char* start = bounded.c_str();
  char* end = nullptr;
  errno = 0;
  // Base 0 is exactly the "%i" rule: 0x is hexadecimal, a leading 0 octal.
  const long long value = std::strtoll(start, &end, 0);
  if (end == start) return std::nullopt;
  if (value > std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value < std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace lexora
