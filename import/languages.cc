#include "import/languages.h"

#include <array>
#include <cctype>
#include <string>

namespace lexora::import {
namespace {

struct Language {
  const char* iso1;
  const char* iso2;  // ISO 639-2/B; the /T code when it differs is `iso2t`
  const char* iso2t;
  const char* name;
  std::uint32_t locale_id;
  std::uint32_t code_page;
};

// The languages that dictionaries commonly name, with the locale of the
// country most associated with each and its Windows code page.
constexpr std::array<Language, 44> kLanguages{{
    {"en", "eng", "eng", "english", 0x0409, 1252},
    {"ru", "rus", "rus", "russian", 0x0419, 1251},
    {"de", "ger", "deu", "german", 0x0407, 1252},
    {"fr", "fre", "fra", "french", 0x040C, 1252},
    {"es", "spa", "spa", "spanish", 0x0C0A, 1252},
    {"it", "ita", "ita", "italian", 0x0410, 1252},
    {"pt", "por", "por", "portuguese", 0x0816, 1252},
    {"nl", "dut", "nld", "dutch", 0x0413, 1252},
    {"sv", "swe", "swe", "swedish", 0x041D, 1252},
    {"da", "dan", "dan", "danish", 0x0406, 1252},
    {"no", "nor", "nor", "norwegian", 0x0414, 1252},
    {"nb", "nob", "nob", "norwegianbokmal", 0x0414, 1252},
    {"fi", "fin", "fin", "finnish", 0x040B, 1252},
    {"is", "ice", "isl", "icelandic", 0x040F, 1252},
    {"ga", "gle", "gle", "irish", 0x083C, 1252},
    {"ca", "cat", "cat", "catalan", 0x0403, 1252},
    {"la", "lat", "lat", "latin", 0x0409, 1252},
    {"af", "afr", "afr", "afrikaans", 0x0436, 1252},
    {"pl", "pol", "pol", "polish", 0x0415, 1250},
    {"cs", "cze", "ces", "czech", 0x0405, 1250},
    {"sk", "slo", "slk", "slovak", 0x041B, 1250},
    {"hu", "hun", "hun", "hungarian", 0x040E, 1250},
    {"sl", "slv", "slv", "slovenian", 0x0424, 1250},
    {"hr", "hrv", "hrv", "croatian", 0x041A, 1250},
    {"ro", "rum", "ron", "romanian", 0x0418, 1250},
    {"sq", "alb", "sqi", "albanian", 0x041C, 1250},
    {"uk", "ukr", "ukr", "ukrainian", 0x0422, 1251},
    {"be", "bel", "bel", "belarusian", 0x0423, 1251},
    {"bg", "bul", "bul", "bulgarian", 0x0402, 1251},
    {"sr", "srp", "srp", "serbian", 0x0C1A, 1251},
    {"mk", "mac", "mkd", "macedonian", 0x042F, 1251},
    {"kk", "kaz", "kaz", "kazakh", 0x043F, 1251},
    {"el", "gre", "ell", "greek", 0x0408, 1253},
    {"tr", "tur", "tur", "turkish", 0x041F, 1254},
    {"he", "heb", "heb", "hebrew", 0x040D, 1255},
    {"ar", "ara", "ara", "arabic", 0x0401, 1256},
    {"fa", "per", "fas", "persian", 0x0429, 1256},
    {"lt", "lit", "lit", "lithuanian", 0x0427, 1257},
    {"lv", "lav", "lav", "latvian", 0x0426, 1257},
    {"et", "est", "est", "estonian", 0x0425, 1257},
    {"vi", "vie", "vie", "vietnamese", 0x042A, 1258},
    {"th", "tha", "tha", "thai", 0x041E, 874},
    {"ja", "jpn", "jpn", "japanese", 0x0411, 932},
    {"zh", "chi", "zho", "chinese", 0x0804, 936},
}};

}  // namespace

std::uint32_t locale_for_language(std::string_view language) {
  // Lower case, without blanks and anything after a region ("en-US", "en_GB").
  std::string key;
  for (char c : language) {
    if (c == '-' || c == '_') break;
    if (c == ' ' || c == '\t' || c == '"') continue;
    key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (key.empty()) return 0;
  for (const Language& l : kLanguages)
    if (key == l.iso1 || key == l.iso2 || key == l.iso2t || key == l.name) return l.locale_id;
  if (key == "korean" || key == "ko" || key == "kor") return 0x0412;
  return 0;
}

std::uint32_t ansi_code_page_of(std::uint32_t locale_id) {
  if (locale_id == 0x0412) return 949;
  const std::uint32_t primary = locale_id & 0x3FF;
  for (const Language& l : kLanguages)
    if ((l.locale_id & 0x3FF) == primary) return l.code_page;
  if (primary == 0x19) return 1251;  // the neutral Russian locale of old files
  return 1252;
}

}  // namespace lexora::import
