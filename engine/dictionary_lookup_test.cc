#include <gtest/gtest.h>

#include <filesystem>

#include "compiler/dictionary_writer.h"
#include "engine/dictionary.h"
#include "platform/library.h"
#include "platform/messages.h"
#include "testing/library_folder.h"
#include "testing/recording_message_sink.h"
#include "testing/status_recorder.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

using compiler::DictionaryOptions;
using compiler::DictionarySource;

class LookupTest : public ::testing::Test {
 protected:
  LookupTest() {
    // No plug-in unless a test asks for one.
    set_library_folder_for_testing(dir_.path());
  }
  ~LookupTest() override { set_library_folder_for_testing(""); }

  void open(std::initializer_list<std::u16string> words, DictionaryOptions options = {}) {
    DictionarySource source;
    for (const auto& w : words) source.entries.emplace_back(w, u"");
    std::string path = dir_.file("d.zd");
    std::string error;
    ASSERT_TRUE(compiler::write_dictionary_file(path, source, options, &error)) << error;
    ASSERT_TRUE(dict_.open_dictionary(path));
  }

  std::u16string headword(std::uint32_t i) { return std::u16string(dict_.word_at(i).value()); }

  // find_word's answer as the headword found and the exact flag.
  std::pair<std::u16string, bool> find(std::u16string_view text, bool allow_conversion = true) {
    bool exact = false;
    std::uint32_t i = dict_.find_word(text, &exact, allow_conversion);
    return {headword(i), exact};
  }

  test::TempDir dir_;
  RecordingMessageSink boxes_;  // the engine itself shows none
  Dictionary dict_;
  test::StatusRecorder messages_{dict_};
};

TEST_F(LookupTest, EmptyDictionaryReturnsZeroAndLeavesTheFlag) {
  open({});
  bool exact = true;
  EXPECT_EQ(dict_.find_word(u"anything", &exact, true), 0u);
  EXPECT_TRUE(exact);
  bool untouched = false;
  EXPECT_EQ(dict_.find_word(u"", &untouched, true), 0u);
  EXPECT_FALSE(untouched);
  Dictionary closed;
  EXPECT_EQ(closed.find_word(u"a", nullptr, true), 0u);
}

TEST_F(LookupTest, CasePairsPreferTheSameCase) {
  // Bank and bank sit next to each other in either order; the search may meet
  // either first depending on the list around them.
  for (bool upper_first : {true, false}) {
    for (int padding = 0; padding < 4; ++padding) {
      DictionarySource source;
      const char16_t* fillers[] = {u"apple", u"arm", u"axe", u"bag"};
      for (int i = 0; i < padding; ++i) source.entries.emplace_back(fillers[i], u"");
      source.entries.emplace_back(upper_first ? u"Bank" : u"bank", u"");
      source.entries.emplace_back(upper_first ? u"bank" : u"Bank", u"");
      source.entries.emplace_back(u"zoo", u"");
      std::string path = dir_.file("d.zd");
      ASSERT_TRUE(compiler::write_dictionary_file(path, source, {}, nullptr));
      ASSERT_TRUE(dict_.open_dictionary(path));
      const std::uint32_t first = static_cast<std::uint32_t>(padding);
      EXPECT_EQ(find(u"bank"), std::make_pair(std::u16string(u"bank"), true));
      EXPECT_EQ(find(u"Bank"), std::make_pair(std::u16string(u"Bank"), true));
      bool exact = false;
      EXPECT_EQ(dict_.find_word(u"BANK", &exact, true), first) << upper_first << padding;
      EXPECT_TRUE(exact);
    }
  }
}

TEST_F(LookupTest, LastHeadwordIsReachedByTheForwardRun) {
  // The search stops on "bank" (the middle); "Bank" is the last headword.
  open({u"a", u"bank", u"Bank"}, [] {
    DictionaryOptions o;
    o.sort = false;
    return o;
  }());
  bool exact = false;
  EXPECT_EQ(dict_.find_word(u"Bank", &exact, true), 2u);
  EXPECT_TRUE(exact);
}

TEST_F(LookupTest, PrefixMatchWhenNothingIsEqual) {
  open({u"home", u"house", u"household", u"howl"});
  EXPECT_EQ(find(u"hou"), std::make_pair(std::u16string(u"house"), false));
  EXPECT_EQ(find(u"HOUSEH"), std::make_pair(std::u16string(u"household"), false));
}

TEST_F(LookupTest, NoMatchReturnsTheLastProbedPosition) {
  open({u"b", u"d", u"f"});
  bool exact = true;
  EXPECT_EQ(dict_.find_word(u"zzz", &exact, true), 2u);
  EXPECT_FALSE(exact);
  EXPECT_EQ(dict_.find_word(u"a", &exact, true), 0u);
  EXPECT_EQ(dict_.find_word(u"c", &exact, true), 0u);  // probes d, then b
  EXPECT_FALSE(exact);
  EXPECT_TRUE(messages_.statuses().empty());  // no plug-in, nothing shown
}

TEST_F(LookupTest, PunctuationTrimming) {
  open({u"-ing", u"etc", u"etc.", u"o'clock", u"word", u"zz"});
  EXPECT_EQ(find(u"word!"), std::make_pair(std::u16string(u"zz"), false));  // not trimmed when off
  dict_.set_ignore_punctuation(true);
  EXPECT_EQ(find(u"word!"), std::make_pair(std::u16string(u"word"), true));
  EXPECT_EQ(find(u"  \u00BFword?! "), std::make_pair(std::u16string(u"word"), true));
  EXPECT_EQ(find(u"-ing"), std::make_pair(std::u16string(u"-ing"), true));
  EXPECT_EQ(find(u"o'clock"), std::make_pair(std::u16string(u"o'clock"), true));
  // The text with only its leading punctuation removed is tried first.
  EXPECT_EQ(find(u"etc."), std::make_pair(std::u16string(u"etc."), true));
  EXPECT_EQ(find(u"(etc"), std::make_pair(std::u16string(u"etc"), true));
  bool exact = true;
  EXPECT_EQ(dict_.find_word(u"?!.", &exact, true), 0u);
  EXPECT_FALSE(exact);
  // A single character is never trimmed from the front.
  EXPECT_EQ(dict_.find_word(u"!", &exact, true), 0u);
}

TEST_F(LookupTest, TextFromWordAtFindsItself) {
  open({u"alpha", u"beta", u"gamma", u"delta"});
  for (std::uint32_t i = 0; i < 4; ++i)
    EXPECT_EQ(dict_.find_word(*dict_.word_at(i), nullptr, true), i);
}

TEST_F(LookupTest, LocaleCollationFollowsTheLocale) {
  DictionaryOptions options;
  options.words_code_page = 1252;
  options.locale_id = 0x041D;  // Swedish
  open({u"apa", u"\u00C5re", u"\u00E5ra", u"zon", u"\u00F6l"}, options);
  ASSERT_TRUE(dict_.use_locale());
  EXPECT_EQ(headword(4), u"\u00F6l");
  EXPECT_EQ(find(u"\u00E5RE"), std::make_pair(std::u16string(u"\u00C5re"), true));
  EXPECT_EQ(find(u"\u00F6L"), std::make_pair(std::u16string(u"\u00F6l"), true));
  EXPECT_EQ(find(u"\u00E5r"), std::make_pair(std::u16string(u"\u00E5ra"), false));
}

TEST_F(LookupTest, RussianLocaleCollationWithTheFlag) {
  DictionaryOptions options;
  options.flags = FLAG_LOCALE_COLLATION;
  open({u"\u0451\u0436", u"\u0415\u041B\u042C", u"\u0436\u0443\u043A", u"\u044F"}, options);
  EXPECT_EQ(find(u"\u0415\u0416"), std::make_pair(std::u16string(u"\u0451\u0436"), false));
  EXPECT_EQ(find(u"\u0451\u0416"), std::make_pair(std::u16string(u"\u0451\u0436"), true));
  EXPECT_EQ(find(u"\u0435\u043B\u044C"),
            std::make_pair(std::u16string(u"\u0415\u041B\u042C"), true));
}

TEST_F(LookupTest, CompareWordsModes) {
  open({u"x"});
  EXPECT_EQ(dict_.compare_words(u"hou", nullptr, u"House", 3, true, false), 0);
  EXPECT_NE(dict_.compare_words(u"hou", nullptr, u"House", 3, false, false), 0);
  EXPECT_LT(dict_.compare_words(u"hou", nullptr, u"House", kWholeString, true, false), 0);
  const std::u16string lowered = u"b";
  EXPECT_EQ(dict_.compare_words(u"B", &lowered, u"b", kWholeString, true, false), 0);
  // Code units: upper case sorts before lower case unless case is ignored.
  EXPECT_LT(dict_.compare_words(u"Z", nullptr, u"a", kWholeString, false, false), 0);
  EXPECT_GT(dict_.compare_words(u"Z", nullptr, u"a", kWholeString, true, false), 0);
  EXPECT_GT(dict_.compare_words(u"Z", nullptr, u"a", kWholeString, true, true), 0);
  EXPECT_EQ(dict_.compare_words(u"abc", nullptr, u"ABD", 2, true, true), 0);
}

class PluginTest : public LookupTest {
 protected:
  void use_plugin(const char* variant) {
    set_library_folder_for_testing(std::string(LEXORA_TEST_PLUGIN_DIR) + "/" + variant);
  }
};

TEST_F(PluginTest, ConvertedWordIsLookedUpOnce) {
  use_plugin("convert");
  open({u"go", u"house", u"mouse"});
  EXPECT_EQ(find(u"went"), std::make_pair(std::u16string(u"go"), true));
  EXPECT_EQ(find(u"mice"), std::make_pair(std::u16string(u"mouse"), true));
  // A found word never reaches the plug-in; without conversion it is not asked.
  EXPECT_EQ(find(u"house"), std::make_pair(std::u16string(u"house"), true));
  EXPECT_EQ(find(u"went", false), std::make_pair(std::u16string(u"mouse"), false));
  // "zzzz" is not found either, and is not converted again.
  EXPECT_EQ(find(u"other"), std::make_pair(std::u16string(u"mouse"), false));
  EXPECT_TRUE(messages_.statuses().empty());
}

TEST_F(PluginTest, UnterminatedOrUntouchedOutputIsSafe) {
  use_plugin("convert");
  open({u"go", u"qq", u"qqq"});
  // 255 "q"s: not equal to anything, nearest by the search.
  EXPECT_EQ(find(u"overflow"), std::make_pair(std::u16string(u"qqq"), false));
  // An untouched buffer was cleared: the empty word, position 0.
  bool exact = true;
  EXPECT_EQ(dict_.find_word(u"silent", &exact, true), 0u);
  EXPECT_FALSE(exact);
}

TEST_F(PluginTest, MissingExportIsReportedOncePerLookup) {
  use_plugin("missing-export");
  open({u"go", u"house"});
  EXPECT_EQ(find(u"hou"), std::make_pair(std::u16string(u"house"), false));
  EXPECT_EQ(find(u"went"), std::make_pair(std::u16string(u"house"), false));
  EXPECT_EQ(find(u"house"), std::make_pair(std::u16string(u"house"), true));
  EXPECT_EQ(messages_.statuses(), std::vector<Status>(2, Status::converter_without_export()));
  EXPECT_TRUE(dict_.last_error().ok());  // the lookups did not fail
  EXPECT_TRUE(boxes_.messages().empty());
  // Shown as the plug-in's own plain box, without owner.
  const Message m = status_message(messages_.statuses()[0]);
  EXPECT_EQ(m.text, "Convert not found");
  EXPECT_EQ(m.caption, "error");
  EXPECT_EQ(m.icon, MessageIcon::kNone);
  EXPECT_EQ(m.buttons, MessageButtons::kOk);
  EXPECT_EQ(m.owner, MessageOwner::kNone);
}

TEST(LibraryTest, ProgramFolderFirstThenNothingElseUnderTest) {
  set_library_folder_for_testing(std::string(LEXORA_TEST_PLUGIN_DIR) + "/convert");
  auto library = Library::load("libconv.so");
  ASSERT_TRUE(library);
  EXPECT_NE(library->symbol("Convert"), nullptr);
  EXPECT_EQ(library->symbol("NoSuchExport"), nullptr);
  EXPECT_FALSE(Library::load("libnot-there.so"));
  set_library_folder_for_testing("");
  EXPECT_FALSE(program_folder().empty());
  EXPECT_TRUE(std::filesystem::exists(program_folder()));
}

}  // namespace
}  // namespace lexora
