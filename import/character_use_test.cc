#include "import/character_use.h"

#include <gtest/gtest.h>

#include "import/languages.h"
#include "import/text_encoder.h"

namespace lexora::import {
namespace {

TEST(CharacterUse, PrefersTheLanguagesOwnPageWhenSeveralHoldTheText) {
  CharacterUse ascii;
  ascii.add("plain text");
  EXPECT_EQ(ascii.smallest_code_page(1251), 1251u);
  EXPECT_EQ(ascii.smallest_code_page(1252), 1252u);
  CharacterUse greek;
  greek.add("\xCE\xB1\xCE\xB2");
  EXPECT_EQ(greek.smallest_code_page(1252), 1253u);
  EXPECT_EQ(greek.utf8_size(), 4u);
}

TEST(Utf8, IllFormedSequencesAreReplaced) {
  std::string good = "ok \xD0\xB4 \xF0\x9F\x98\x80";
  EXPECT_FALSE(make_valid_utf8(&good));
  // Overlong, surrogate, cut short, stray continuation.
  std::string bad = "\xC0\xAF|\xED\xA0\x80|\xE2\x82|\x80";
  EXPECT_TRUE(make_valid_utf8(&bad));
  EXPECT_EQ(bad,
            "\xEF\xBF\xBD\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD|"
            "\xEF\xBF\xBD\xEF\xBF\xBD|\xEF\xBF\xBD");
}

// The ASCII fast paths read sixteen and eight bytes at a time: a 0 byte or
// a non-ASCII character at any place of a block, or in the tail, must
// still be seen.
TEST(Utf8, ZeroBytesAndNonAsciiAreFoundAtEveryPlaceOfTheText) {
  constexpr std::size_t kLength = 45;
  for (std::size_t at = 0; at < kLength; ++at) {
    std::string text(kLength, 'a');
    EXPECT_EQ(end_of_ascii(text, at), text.size());
    text[at] = '\0';
    EXPECT_EQ(end_of_ascii(text, 0), at);
    EXPECT_FALSE(is_valid_utf8(text)) << at;
    std::string accented = std::string(at, 'a') + "\xC3\xA9" + std::string(kLength - 1 - at, 'b');
    EXPECT_EQ(end_of_ascii(accented, 0), at);
    EXPECT_TRUE(is_valid_utf8(accented)) << at;
    CharacterUse use;
    use.add(accented);
    EXPECT_EQ(use.utf8_size(), accented.size());
    EXPECT_EQ(use.smallest_code_page(1252), 1252u);
    TextEncoder cp1252(1252);
    std::string out;
    ASSERT_TRUE(cp1252.append(accented, false, &out));
    EXPECT_EQ(out, std::string(at, 'a') + "\xE9" + std::string(kLength - 1 - at, 'b')) << at;
    std::string cut = accented.substr(0, at + 1);  // the sequence cut short at the end
    EXPECT_FALSE(is_valid_utf8(cut)) << at;
  }
}

TEST(TextEncoder, WritesReferencesForCharactersThePageLacks) {
  TextEncoder cp1251(1251);
  std::string out;
  ASSERT_TRUE(cp1251.append("\xD0\xB4 \xC3\xA6", true, &out));
  EXPECT_EQ(out, "\xE4 &#230;");
  out.clear();
  EXPECT_FALSE(cp1251.append("\xC3\xA6", false, &out));
  TextEncoder utf8(65001);
  out.clear();
  ASSERT_TRUE(utf8.append("\xC3\xA6", false, &out));
  EXPECT_EQ(out, "\xC3\xA6");
}

TEST(Languages, NamesAndCodesMapToLocales) {
  EXPECT_EQ(locale_for_language("English"), 0x0409u);
  EXPECT_EQ(locale_for_language("ENG"), 0x0409u);
  EXPECT_EQ(locale_for_language("ru"), 0x0419u);
  EXPECT_EQ(locale_for_language("de-AT"), 0x0407u);
  EXPECT_EQ(locale_for_language("deu"), 0x0407u);
  EXPECT_EQ(locale_for_language("Klingon"), 0u);
  EXPECT_EQ(ansi_code_page_of(0x0419), 1251u);
  EXPECT_EQ(ansi_code_page_of(0x0809), 1252u);
}

}  // namespace
}  // namespace lexora::import
