#include "platform/code_page_names.h"

namespace lexora {
namespace {

constexpr CodePageName kNames[] = {
    // Unicode
    {65001, "UTF-8"},
    {65000, "UTF-7"},
    {1200, "UTF-16LE"},
    {1201, "UTF-16BE"},
    {12000, "UTF-32LE"},
    {12001, "UTF-32BE"},
    // ISO and other standard 8-bit sets
    {20127, "US-ASCII"},
    {20866, "KOI8-R"},
    {21866, "KOI8-U"},
    {708, "ASMO-708"},
    {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"},
    {28603, "ISO-8859-13"},
    {28605, "ISO-8859-15"},
    {38598, "ISO-8859-8-I"},
    // East Asian multi-byte sets
    {932, "Shift_JIS"},
    {936, "GBK"},
    {949, "windows-949"},
    {950, "Big5"},
    {54936, "GB18030"},
    {20932, "EUC-JP"},
    {51932, "EUC-JP"},
    {20936, "GB2312"},
    {51936, "EUC-CN"},
    {51949, "EUC-KR"},
    {52936, "HZ-GB-2312"},
    {50220, "ISO-2022-JP"},
    {50221, "ISO-2022-JP"},
    {50222, "ISO-2022-JP"},
    {50225, "ISO-2022-KR"},
    {50227, "ISO-2022-CN"},
    {50229, "ISO-2022-CN"},
    // EBCDIC sets that Windows numbers from 20000 on
    {20273, "IBM273"},
    {20277, "IBM277"},
    {20278, "IBM278"},
    {20280, "IBM280"},
    {20284, "IBM284"},
    {20285, "IBM285"},
    {20290, "IBM290"},
    {20297, "IBM297"},
    {20420, "IBM420"},
    {20423, "IBM423"},
    {20424, "IBM424"},
    {20838, "IBM-Thai"},
    {20871, "IBM871"},
    {20880, "IBM880"},
    {20905, "IBM905"},
    {20924, "IBM00924"},
    {21025, "cp1025"},
    // Macintosh sets
    {10000, "macintosh"},
    {10006, "x-mac-greek"},
    {10007, "x-mac-cyrillic"},
    {10029, "x-mac-ce"},
    {10081, "x-mac-turkish"},
};

}  // namespace

std::span<const CodePageName> named_code_pages() {
  return kNames;
}

const char* icu_name_for_code_page(std::uint32_t code_page) {
  for (const CodePageName& n : kNames)
    if (n.code_page == code_page) return n.icu_name;
  return nullptr;
}

}  // namespace lexora
