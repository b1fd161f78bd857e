#include "platform/utf.h"

#include <unicode/ustring.h>

#include <climits>

namespace lexora {

std::u16string utf8_to_utf16(std::string_view text) {
  if (text.empty() || text.size() > INT32_MAX / 2) return {};
  std::u16string out(text.size(), u'\0');  // never more units than bytes
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, text.data(),
                       static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return {};
  out.resize(static_cast<std::size_t>(length));
  return out;
}

std::string utf16_to_utf8(std::u16string_view text) {
  if (text.empty() || text.size() > INT32_MAX / 3) return {};
  std::string out(text.size() * 3, '\0');  // at most three bytes per unit
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, text.data(),
                     static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return {};
  out.resize(static_cast<std::size_t>(length));
  return out;
}

}  // namespace lexora
