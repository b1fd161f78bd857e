// Windows code page numbers to the names under which ICU knows their
// converters, for the pages ICU does not find as "windows-N" or "ibm-N" (or
// would find under the wrong one: "ibm-1200" is big-endian, "ibm-20866" does
// not exist although KOI8-R does).
#ifndef LEXORA_PLATFORM_CODE_PAGE_NAMES_H_
#define LEXORA_PLATFORM_CODE_PAGE_NAMES_H_

#include <cstdint>
#include <span>

namespace lexora {

struct CodePageName {
  std::uint32_t code_page;
  const char* icu_name;
};

// Every named page, each number once.
std::span<const CodePageName> named_code_pages();

// The ICU name for `code_page` from that table, or null.
const char* icu_name_for_code_page(std::uint32_t code_page);

}  // namespace lexora

#endif  // LEXORA_PLATFORM_CODE_PAGE_NAMES_H_
