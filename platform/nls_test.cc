#include "platform/nls.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <random>

namespace lexora {
namespace {

TEST(Nls, ValidCodePages) {
  for (std::uint32_t cp : {1250u, 1251u, 1252u, 1253u, 1254u, 866u, 437u, 65001u, 20866u, 28591u})
    EXPECT_TRUE(is_valid_code_page(cp)) << cp;
  EXPECT_FALSE(is_valid_code_page(0));
  EXPECT_FALSE(is_valid_code_page(12345));
  EXPECT_FALSE(is_valid_code_page(99999));
}

TEST(Nls, EveryWindowsCodePageIcuKnowsOpens) {
  // ICU names many Windows code pages "windows-N" (Macintosh, ISCII, ISO...);
  // each of them must be valid under its number.
  int known = 0;
  for (std::uint32_t cp = 1; cp < 65536; ++cp) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* c = ucnv_open(("windows-" + std::to_string(cp)).c_str(), &status);
    if (c == nullptr) continue;
    ucnv_close(c);
    ++known;
    EXPECT_TRUE(is_valid_code_page(cp)) << cp;
  }
  EXPECT_GT(known, 30);
  // And those it knows only by another name, each with a character that
  // tells the right table from a wrong one.
  struct Case {
    std::uint32_t code_page;
    std::string_view bytes;
    const char16_t* text;
  };
  const Case cases[] = {
      {708, "\xC7", u"\u0627"},                       // ASMO 708: Arabic alef
      {1047, "\xC1", u"A"},                           // EBCDIC Latin-1
      {10000, "\x80", u"\u00C4"},                     // Macintosh Roman
      {12000, std::string_view("A\0\0\0", 4), u"A"},  // UTF-32LE
      {20273, "\x4A", u"\u00C4"},                     // EBCDIC Germany
      {20866, "\xC1", u"\u0430"},                     // KOI8-R
      {20932, "\xA4\xA2", u"\u3042"},                 // EUC-JP
      {20936, "\xB0\xA1", u"\u554A"},                 // GB2312
      {28603, "\xD0", u"\u0160"},                     // ISO 8859-13
      {38598, "\xE0", u"\u05D0"},                     // ISO 8859-8 logical
      {50220, "\x1B$B$\"\x1B(B", u"\u3042"},          // ISO-2022-JP
      {51949, "\xB0\xA1", u"\uAC00"},                 // EUC-KR
      {52936, "~{0!~}", u"\u554A"},                   // HZ
      {65000, "+AKM-", u"\u00A3"},                    // UTF-7
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(is_valid_code_page(c.code_page)) << c.code_page;
    EXPECT_EQ(to_wide(c.bytes, c.code_page), c.text) << c.code_page;
  }
}

TEST(Nls, JohabDecodesAndEncodesSyllablesJamoSymbolsAndHanja) {
  ASSERT_TRUE(is_valid_code_page(1361));
  // "Hangul" composed from jamo codes; an ideographic space (KS X 1001 row 1)
  // and a Hanja (row 42) moved to their Johab lead bytes; a lone consonant
  // and a lone vowel; ASCII as is.
  const std::string bytes = "\xD0\x65\x8B\x69 \xD9\x31\xE0\x31\x88\x41\x84\x61 a";
  const std::u16string text = u"\uD55C\uAE00 \u3000\u4F3D\u3131\u314F a";
  EXPECT_EQ(to_wide(bytes, 1361), text);
  EXPECT_EQ(to_multibyte(text, 1361), bytes);
  // Every syllable survives the round trip.
  std::u16string all;
  for (char16_t c = 0xAC00; c <= 0xD7A3; ++c) all.push_back(c);
  EXPECT_EQ(to_wide(to_multibyte(all, 1361), 1361), all);
  // Bytes that are no Johab code, a lead byte cut off at the end, and a
  // character Johab lacks.
  EXPECT_EQ(to_wide("\x80"
                    "a\xD9",
                    1361),
            u"\uFFFD"
            u"a\uFFFD");
  EXPECT_EQ(to_multibyte(u"\u0E01", 1361), "?");
}

TEST(Nls, ToWideDecodesWithTheGivenCodePage) {
  // 0xC1 is Cyrillic Be in 1251 and A-acute in 1252.
  EXPECT_EQ(to_wide("\xC1", 1251), u"\u0411");
  EXPECT_EQ(to_wide("\xC1", 1252), u"\u00C1");
  EXPECT_EQ(to_wide("\x80", 1252), u"\u20AC");
  EXPECT_EQ(to_wide("caf\xC3\xA9", kCodePageUtf8), u"caf\u00E9");
  std::u16string out = u"junk";
  EXPECT_FALSE(to_wide("abc", 12345, &out));
  EXPECT_TRUE(out.empty());
}

TEST(Nls, ToMultibyteRoundTripsAndReplacesMissingCharacters) {
  EXPECT_EQ(to_multibyte(u"\u0411\u0430\u043D\u043A", 1251), "\xC1\xE0\xED\xEA");
  EXPECT_EQ(to_multibyte(u"\u4E2D", 1252), "?");
  std::string out = "junk";
  EXPECT_FALSE(to_multibyte(u"a", 12345, &out));
  EXPECT_TRUE(out.empty());
}

TEST(Nls, ToLowerFollowsTheLocale) {
  EXPECT_EQ(to_lower(u"BANK \u0411\u0410\u041D\u041A", 0x0019), u"bank \u0431\u0430\u043D\u043A");
  // Dotted capital I lowers to dotless i only in Turkish.
  EXPECT_EQ(to_lower(u"I", 0x041F), u"\u0131");
  EXPECT_EQ(to_lower(u"I", 0x0409), u"i");
  // Final sigma depends on the position in the word.
  EXPECT_EQ(to_lower(u"\u039F\u0394\u039F\u03A3", 0x0408), u"\u03BF\u03B4\u03BF\u03C2");
}

TEST(Nls, LocaleNamesComeFromTheLcid) {
  EXPECT_EQ(locale_name_for_lcid(0x0019), "ru");
  EXPECT_EQ(locale_name_for_lcid(0x0409), "en_US");
}

TEST(Nls, CompareLocaleIgnoresCaseOnlyWhenAsked) {
  EXPECT_EQ(compare_locale(u"bank", u"BANK", 0x0409, true), 0);
  EXPECT_NE(compare_locale(u"bank", u"BANK", 0x0409, false), 0);
  EXPECT_EQ(compare_locale(u"apple", u"Bank", 0x0409, true), -1);
  EXPECT_EQ(compare_locale(u"\u00E9t\u00E9", u"ete", 0x040C, true), 1);
  // Swedish sorts a-ring after z; English next to a.
  EXPECT_EQ(compare_locale(u"\u00E5", u"z", 0x041D, true), 1);
  EXPECT_EQ(compare_locale(u"\u00E5", u"z", 0x0409, true), -1);
  // Punctuation is not ignored: "co-op" and "coop" differ.
  EXPECT_NE(compare_locale(u"co-op", u"coop", 0x0409, true), 0);
}

TEST(Nls, CharacterClasses) {
  for (char16_t c : {u' ', u'\t', u'\u00A0', u'\u3000'}) EXPECT_TRUE(is_space(c)) << int(c);
  for (char16_t c : {u'!', u'.', u',', u'$', u'+', u'<', u'=', u'>', u'\'', u'-', u'{', u'\u00BF'})
    EXPECT_TRUE(is_punct(c)) << int(c);
  for (char16_t c : {u'a', u'Z', u'5', u'\u0431', u' '}) EXPECT_FALSE(is_punct(c)) << int(c);
}

// The cached tables must give exactly what ICU gives, for every byte of the
// common code pages and for text whose lower case depends on context.
TEST(Nls, WordCodecMatchesIcuExactly) {
  struct Case {
    std::uint32_t code_page;
    std::uint32_t locale;
  };
  std::mt19937 random(7);
  for (Case c : {Case{1251, 0x0019}, Case{1252, 0x0409}, Case{1253, 0x0408}, Case{1254, 0x041F},
                 Case{1257, 0x0427}, Case{65001, 0x0409}, Case{1250, 0x0405}}) {
    WordCodec codec(c.code_page, c.locale);
    ASSERT_TRUE(codec.valid());
    for (int b = 1; b < 256; ++b) {
      std::string s(1, static_cast<char>(b));
      std::u16string fast, slow, fast_lower;
      codec.decode(s, &fast);
      to_wide(s, c.code_page, &slow);
      EXPECT_EQ(fast, slow) << c.code_page << " byte " << b;
      codec.lower(fast, &fast_lower);
      EXPECT_EQ(fast_lower, to_lower(fast, c.locale)) << c.code_page << " byte " << b;
    }
    std::u16string previous_lowered;
    for (int n = 0; n < 2000; ++n) {
      std::string s;
      int length = 1 + static_cast<int>(random() % 8);
      for (int i = 0; i < length; ++i) s.push_back(static_cast<char>(1 + random() % 255));
      if (c.code_page == 65001) s = "I\xCC\x87\xCE\xA3 \xCE\xA3x";
      std::u16string wide, lowered;
      codec.decode(s, &wide);
      EXPECT_EQ(wide, to_wide(s, c.code_page));
      codec.lower(wide, &lowered);
      EXPECT_EQ(lowered, to_lower(wide, c.locale));
      // The table comparison, when it answers, agrees with comparing the texts.
      for (const std::u16string& key : {lowered, previous_lowered, lowered.substr(0, 2)}) {
        int fast = 2;
        if (codec.compare_lowered(key, s, &fast)) {
          const int slow = key == lowered ? 0 : key < lowered ? -1 : 1;
          EXPECT_EQ(fast, slow) << c.code_page << " " << s;
        }
      }
      previous_lowered = lowered;
    }
  }
}

TEST(Nls, LocaleSortKeysOrderLikeCompareLocale) {
  const std::u16string words[] = {u"apple", u"Apple",         u"\u00E5l", u"zon", u"co-op",
                                  u"coop",  u"\u00E9t\u00E9", u"ete",     u"",    u"a b"};
  for (std::uint32_t locale : {0x0409u, 0x041Du}) {
    for (bool ignore_case : {false, true}) {
      for (const auto& a : words) {
        for (const auto& b : words) {
          std::string ka, kb;
          locale_sort_key(a, locale, ignore_case, &ka);
          locale_sort_key(b, locale, ignore_case, &kb);
          const int by_key = ka < kb ? -1 : ka > kb ? 1 : 0;
          EXPECT_EQ(by_key, compare_locale(a, b, locale, ignore_case))
              << locale << ' ' << ignore_case;
        }
      }
    }
  }
}

}  // namespace
}  // namespace lexora
