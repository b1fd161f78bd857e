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
