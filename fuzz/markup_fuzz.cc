// The article markup converter on arbitrary UTF-16 text (the input bytes
// taken two at a time). Besides memory errors it checks two invariants: text
// without '<' is copied unchanged when auto-formatting is off, and the
// converter only ever appends to the page.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "render/markup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool auto_format = (data[0] & 1) != 0;
  std::u16string text;
  for (std::size_t k = 1; k + 1 < size; k += 2) {
    text.push_back(static_cast<char16_t>(data[k] | (data[k + 1] << 8)));
  }
  const std::u16string prefix = u"<p>";
  std::u16string page = prefix;
  lexora::convert_markup(text, auto_format, &page);
  if (page.compare(0, prefix.size(), prefix) != 0) std::abort();
  if (!auto_format && text.find(u'<') == std::u16string::npos && page != prefix + text) {
    std::abort();
  }
  return 0;
}
