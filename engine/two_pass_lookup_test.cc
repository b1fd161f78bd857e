#include "engine/two_pass_lookup.h"

#include <gtest/gtest.h>

#include "compiler/dictionary_writer.h"
#include "platform/library.h"
#include "testing/library_folder.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

class TwoPassLookupTest : public ::testing::Test {
 protected:
  TwoPassLookupTest() {
    set_library_folder_for_testing(dir_.path());  // no plug-in unless asked for
    compiler::DictionarySource source;
    // "C#" sorts between "C" and "C++", so trimming "C++" to "C" cannot reach
    // "C++" through the neighbours of "C".
    for (const char16_t* word : {u"C", u"C#", u"C++", u"go", u"house", u"zoo"})
      source.entries.emplace_back(word, u"");
    const std::string path = dir_.file("d.zd");
    std::string error;
    EXPECT_TRUE(compiler::write_dictionary_file(path, source, {}, &error)) << error;
    EXPECT_TRUE(dict_.open_dictionary(path));
  }
  ~TwoPassLookupTest() override { set_library_folder_for_testing(""); }

  // The headword found and the first pass's flag.
  std::pair<std::u16string, bool> lookup(std::u16string_view text, LookupOptions second = {}) {
    bool exact = false;
    const std::uint32_t i = two_pass_lookup(dict_, text, &exact, second);
    return {std::u16string(dict_.word_at(i).value()), exact};
  }

  test::TempDir dir_;
  Dictionary dict_;
};

using Found = std::pair<std::u16string, bool>;

TEST_F(TwoPassLookupTest, HeadwordWithPunctuationWinsWhenTypedExactly) {
  dict_.set_ignore_punctuation(true);
  // One trimmed lookup alone lands on "C".
  EXPECT_EQ(*dict_.word_at(dict_.find_word(u"C++", nullptr)), u"C");
  EXPECT_EQ(lookup(u"C++"), Found(u"C++", true));
  EXPECT_EQ(lookup(u"c#"), Found(u"C#", true));
}

TEST_F(TwoPassLookupTest, SecondPassUsesTheCallersTrimmingAndTheFlagIsTheFirstPass) {
  EXPECT_EQ(lookup(u"house!", {.ignore_punctuation = true}), Found(u"house", false));
  EXPECT_EQ(lookup(u"house!", {.ignore_punctuation = false}), Found(u"zoo", false));
  // Unset: the dictionary's own setting, which the lookup leaves as it was.
  dict_.set_ignore_punctuation(true);
  EXPECT_EQ(lookup(u"house!"), Found(u"house", false));
  EXPECT_TRUE(dict_.ignore_punctuation());
  dict_.set_ignore_punctuation(false);
  EXPECT_EQ(lookup(u"(house)"), Found(u"C", false));
  EXPECT_FALSE(dict_.ignore_punctuation());
}

TEST_F(TwoPassLookupTest, OptionsOverrideTheDictionarysSettingForOneLookupOnly) {
  dict_.set_ignore_punctuation(true);
  bool exact = true;
  EXPECT_EQ(*dict_.word_at(dict_.find_word(u"house!", &exact, {.ignore_punctuation = false})),
            u"zoo");
  EXPECT_FALSE(exact);
  EXPECT_EQ(*dict_.word_at(dict_.find_word(u"house!", &exact)), u"house");
  EXPECT_TRUE(exact);
  dict_.set_ignore_punctuation(false);
  EXPECT_EQ(*dict_.word_at(dict_.find_word(u"house!", &exact, {.ignore_punctuation = true})),
            u"house");
  EXPECT_TRUE(exact);
}

TEST_F(TwoPassLookupTest, EmptyDictionaryLeavesTheFlag) {
  compiler::DictionarySource empty;
  const std::string path = dir_.file("empty.zd");
  ASSERT_TRUE(compiler::write_dictionary_file(path, empty, {}, nullptr));
  Dictionary dict;
  ASSERT_TRUE(dict.open_dictionary(path));
  for (bool before : {true, false}) {
    bool exact = before;
    EXPECT_EQ(two_pass_lookup(dict, u"word", &exact), 0u);
    EXPECT_EQ(exact, before);
  }
}

TEST_F(TwoPassLookupTest, BothPassesMayAskThePlugIn) {
  set_library_folder_for_testing(std::string(LEXORA_TEST_PLUGIN_DIR) + "/convert");
  // The first pass converts "went" to "go" and finds it.
  EXPECT_EQ(lookup(u"went"), Found(u"go", true));
  // "went!" is converted untrimmed in the first pass (to nothing found), and
  // trimmed to "went" in the second, which converts it to "go".
  EXPECT_EQ(lookup(u"went!", {.ignore_punctuation = true}), Found(u"go", false));
  EXPECT_EQ(lookup(u"went", {.allow_conversion = false}), Found(u"zoo", false));
}

}  // namespace
}  // namespace lexora
