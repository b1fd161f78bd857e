// Converts Debian's dict-freedict-eng-rus database (when installed) and
// compares the result with the database itself: the headword count with the
// index, and articles with the text that `zcat` (an independent inflater)
// gives at the index's offsets. Then the same for the StarDict dictionary
// that stardict-tools' dictd2dic makes of it (when installed).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "engine/dictionary.h"
#include "import/dictd_reader.h"
#include "import/import_dictionary.h"
#include "platform/messages.h"
#include "platform/utf.h"
#include "testing/recording_message_sink.h"
#include "testing/test_files.h"

namespace lexora::import {
namespace {

constexpr char kIndex[] = "/usr/share/dictd/freedict-eng-rus.index";
constexpr char kData[] = "/usr/share/dictd/freedict-eng-rus.dict.dz";
constexpr char kDictd2dic[] = "/usr/lib/stardict-tools/dictd2dic";

std::string zcat(const std::string& path) {
  std::string text;
  std::FILE* pipe = ::popen(("zcat '" + path + "'").c_str(), "r");
  if (pipe == nullptr) return text;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  ::pclose(pipe);
  return text;
}

// The index read line by line: headword -> texts in index order (the
// database's information entries left out).
std::map<std::string, std::vector<std::string>> texts_by_headword(const std::string& text) {
  std::map<std::string, std::vector<std::string>> texts;
  std::ifstream index(kIndex);
  std::string line;
  while (std::getline(index, line)) {
    const std::size_t a = line.find('\t'), b = line.find('\t', a + 1);
    std::uint64_t offset = 0, length = 0;
    if (!decode_dictd_number(line.substr(a + 1, b - a - 1), &offset) ||
        !decode_dictd_number(line.substr(b + 1), &length) || offset + length > text.size())
      return {};
    const std::string word = line.substr(0, a);
    if (word.rfind("00", 0) == 0) continue;
    std::string body = text.substr(offset, length);
    while (!body.empty() && (body.back() == '\n' || body.back() == ' ')) body.pop_back();
    texts[word].push_back(body);
  }
  return texts;
}

// The line after the headword's own: the translation.
std::string translation_of(const std::string& body) {
  const std::size_t from = body.find('\n') + 1;
  return body.substr(from, body.find('\n', from) - from);
}

constexpr const char* kSampleWords[] = {"apple", "run", "dog", "house", "zero"};

TEST(FreedictEndToEnd, HeadwordsAndArticlesMatchTheDatabase) {
  if (!std::filesystem::exists(kIndex) || !std::filesystem::exists(kData))
    GTEST_SKIP() << "dict-freedict-eng-rus is not installed";
  const std::string text = zcat(kData);
  ASSERT_FALSE(text.empty());
  std::map<std::string, std::vector<std::string>> expected = texts_by_headword(text);
  ASSERT_GT(expected.size(), 1000u);

  lexora::test::TempDir dir;
  ImportStats stats;
  ImportError error;
  ASSERT_TRUE(import_dictionary(kIndex, dir.file("eng-rus.zd"), ImportOptions{}, &stats, &error))
      << describe(error);
  EXPECT_EQ(stats.headwords_written, expected.size());
  EXPECT_EQ(stats.title.rfind("English-Russian FreeDict Dictionary", 0), 0u) << stats.title;
  RecordingMessageSink messages;
  Dictionary dict;
  ASSERT_TRUE(dict.open_dictionary(dir.file("eng-rus.zd")));
  EXPECT_EQ(dict.word_count(), expected.size());
  EXPECT_EQ(dict.header().locale_id, 0x0409u);  // eng from the name
  EXPECT_EQ(dict.verify_checksum(), kChecksumOk);
  for (const char* word : kSampleWords) {
    ASSERT_TRUE(expected.count(word)) << word;
    bool exact = false;
    const std::uint32_t at = dict.find_word(utf8_to_utf16(word), &exact, false);
    ASSERT_TRUE(exact) << word;
    const std::string article = utf16_to_utf8(dict.article_at(at).value());
    // Each text of the headword, escaped and preformatted, in order.
    std::string want;
    for (const std::string& body : expected[word]) {
      if (!want.empty()) want += "<hr>";
      want += std::string(kPreformattedOpen) + dictd_markup(body) + std::string(kPreformattedClose);
    }
    EXPECT_EQ(article, want) << word;
    EXPECT_NE(article.find(translation_of(expected[word][0])), std::string::npos)
        << "the translation itself is in the article of " << word;
  }
}

// dictd2dic writes the index's numbers in 8 bytes each under an .ifo that
// declares 4 (in Debian's build); the import still reads every entry.
TEST(FreedictEndToEnd, StardictMadeOfItByDictd2dicImportsWhole) {
  if (!std::filesystem::exists(kIndex) || !std::filesystem::exists(kData) ||
      !std::filesystem::exists(kDictd2dic))
    GTEST_SKIP() << "dict-freedict-eng-rus or stardict-tools is not installed";
  lexora::test::TempDir dir;
  const std::string text = zcat(kData);
  lexora::test::write_file(dir.file("freedict-eng-rus.dict"), text);
  std::filesystem::copy_file(kIndex, dir.file("freedict-eng-rus.index"));
  ASSERT_EQ(std::system(
                ("cd '" + dir.path() + "' && " + kDictd2dic + " freedict-eng-rus > /dev/null 2>&1")
                    .c_str()),
            0);
  std::string ifo;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    if (entry.path().extension() == ".ifo") ifo = entry.path().string();
  ASSERT_FALSE(ifo.empty()) << "dictd2dic made no .ifo";

  ImportStats stats;
  ImportError error;
  ASSERT_TRUE(import_dictionary(ifo, dir.file("stardict.zd"), ImportOptions{}, &stats, &error))
      << describe(error);
  const std::vector<std::uint8_t> ifo_bytes = lexora::test::read_file(ifo);
  const std::string ifo_text(ifo_bytes.begin(), ifo_bytes.end());
  EXPECT_NE(ifo_text.find("\nwordcount=" + std::to_string(stats.headwords_read) + "\n"),
            std::string::npos)
      << "every entry of the index is read";
  RecordingMessageSink messages;
  Dictionary dict;
  ASSERT_TRUE(dict.open_dictionary(dir.file("stardict.zd")));
  std::map<std::string, std::vector<std::string>> expected = texts_by_headword(text);
  for (const char* word : kSampleWords) {
    bool exact = false;
    const std::uint32_t at = dict.find_word(utf8_to_utf16(word), &exact, false);
    ASSERT_TRUE(exact) << word;
    EXPECT_NE(utf16_to_utf8(dict.article_at(at).value()).find(translation_of(expected[word][0])),
              std::string::npos)
        << word;
  }
}

}  // namespace
}  // namespace lexora::import
