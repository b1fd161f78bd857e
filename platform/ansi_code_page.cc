#include "platform/ansi_code_page.h"

#include <cstdlib>
#include <string>

namespace lexora {
namespace {

struct LanguageCodePage {
  const char* language;  // ISO 639 code, as in the locale name
  std::uint32_t code_page;
};

// Languages whose code page is not the Western European 1252.
constexpr LanguageCodePage kLanguages[] = {
    // Central European
    {"cs", 1250},
    {"sk", 1250},
    {"pl", 1250},
    {"hu", 1250},
    {"sl", 1250},
    {"hr", 1250},
    {"bs", 1250},
    {"ro", 1250},
    {"sq", 1250},
    {"hsb", 1250},
    {"dsb", 1250},
    // Cyrillic
    {"ru", 1251},
    {"uk", 1251},
    {"be", 1251},
    {"bg", 1251},
    {"mk", 1251},
    {"sr", 1251},
    {"kk", 1251},
    {"ky", 1251},
    {"tt", 1251},
    {"mn", 1251},
    {"ba", 1251},
    {"sah", 1251},
    {"tg", 1251},
    {"cv", 1251},
    // Greek, Turkish, Hebrew, Arabic, Baltic, Vietnamese
    {"el", 1253},
    {"tr", 1254},
    {"az", 1254},
    {"uz", 1254},
    {"he", 1255},
    {"yi", 1255},
    {"ar", 1256},
    {"fa", 1256},
    {"ur", 1256},
    {"ps", 1256},
    {"ug", 1256},
    {"et", 1257},
    {"lv", 1257},
    {"lt", 1257},
    {"vi", 1258},
    // Thai and the East Asian double-byte sets
    {"th", 874},
    {"ja", 932},
    {"ko", 949},
};

constexpr std::uint32_t kSimplifiedChinese = 936;
constexpr std::uint32_t kTraditionalChinese = 950;
constexpr std::uint32_t kCentralEuropean = 1250;

}  // namespace

std::uint32_t ansi_code_page_for_locale(std::string_view locale) {
  // language[_territory][.codeset][@modifier]
  const std::size_t at = locale.find('@');
  const std::string_view modifier = at == std::string_view::npos ? "" : locale.substr(at + 1);
  const std::string_view name = locale.substr(0, std::min(at, locale.find('.')));
  const std::size_t underscore = name.find('_');
  const std::string_view language = name.substr(0, underscore);
  const std::string_view territory =
      underscore == std::string_view::npos ? "" : name.substr(underscore + 1);

  if (language == "zh") {
    // Taiwan, Hong Kong and Macao write the traditional characters.
    const bool traditional = territory == "TW" || territory == "HK" || territory == "MO";
    return traditional ? kTraditionalChinese : kSimplifiedChinese;
  }
  // Serbian in Latin letters uses the Central European page.
  if (language == "sr" && modifier == "latin") return kCentralEuropean;
  for (const LanguageCodePage& l : kLanguages)
    if (language == l.language) return l.code_page;
  return kDefaultAnsiCodePage;
}

std::uint32_t ansi_code_page() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return ansi_code_page_for_locale(value);
  }
  return kDefaultAnsiCodePage;
}

}  // namespace lexora
