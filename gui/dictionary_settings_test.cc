#include "gui/dictionary_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "compiler/dictionary_writer.h"
#include "engine/dictionary.h"
#include "platform/qt/registry.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

const SystemFont kFont{"Test Face", 17};

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() : registry_(dir_.file("config/Lexora/Lexora.ini")) {}

  // A small dictionary at `path`, opened into `dictionary`.
  void open_dictionary_at(const std::string& path, Dictionary& dictionary) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    compiler::DictionarySource source;
    source.entries = {{u"alpha", u"a"}, {u"beta", u"b"}, {u"gamma", u"c"}};
    std::string error;
    ASSERT_TRUE(compiler::write_dictionary_file(path, source, {}, &error)) << error;
    ASSERT_TRUE(dictionary.open_dictionary(path));
  }

  test::TempDir dir_;
  Registry registry_;
};

TEST_F(SettingsTest, DictionariesOfOneFileNameShareTheirValues) {
  Dictionary first;
  open_dictionary_at(dir_.file("one/y.zd"), first);
  Settings settings(kFont);
  load_dictionary_settings(registry_, settings, first);
  EXPECT_EQ(settings.smart_find, 1);  // missing: punctuation ignored
  EXPECT_TRUE(first.ignore_punctuation());
  EXPECT_EQ(settings.last_word, 0);
  EXPECT_EQ(settings.last_word_id, 0);

  settings.smart_find = 0;
  settings.last_word = 0;  // the position is written whether or not it is restored
  save_dictionary_settings(registry_, settings, first, 2);
  EXPECT_EQ(settings.last_word_id, 2);

  Dictionary second;
  open_dictionary_at(dir_.file("two/y.zd"), second);
  second.set_ignore_punctuation(true);
  Settings other(kFont);
  load_dictionary_settings(registry_, other, second);
  EXPECT_EQ(other.smart_find, 0);
  EXPECT_FALSE(second.ignore_punctuation());
  EXPECT_EQ(other.last_word_id, 2);

  // Another file name has its own key; a "smart_find" other than 1 is off.
  Dictionary third;
  open_dictionary_at(dir_.file("one/z.zd"), third);
  {
    RegistryKey key = registry_.create_key("z.zd");
    key.write_number("smart_find", 2);
  }
  load_dictionary_settings(registry_, other, third);
  EXPECT_FALSE(third.ignore_punctuation());
  EXPECT_EQ(other.last_word_id, 0);
  // The global key holds none of these.
  RegistryKey root = registry_.create_key("");
  EXPECT_FALSE(root.read_number("last_word_id"));
}

}  // namespace
}  // namespace lexora
