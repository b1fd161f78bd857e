// Converts Debian's dict-freedict-eng-rus database (when installed) and
// compares the result with the database itself: the headword count with the
// index, and articles with the text that `zcat` (an independent inflater)
// gives at the index's offsets.
#include <gtest/gtest.h>

#include <cstdio>
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

TEST(FreedictEndToEnd, HeadwordsAndArticlesMatchTheDatabase) {
  if (!std::filesystem::exists(kIndex) || !std::filesystem::exists(kData))
    GTEST_SKIP() << "dict-freedict-eng-rus is not installed";
  const std::string text = zcat(kData);
  ASSERT_FALSE(text.empty());
  // The index read line by line: headword -> texts in index order.
  std::map<std::string, std::vector<std::string>> expected;
  std::ifstream index(kIndex);
  std::string line;
  while (std::getline(index, line)) {
    const std::size_t a = line.find('\t'), b = line.find('\t', a + 1);
    std::uint64_t offset = 0, length = 0;
    ASSERT_TRUE(decode_dictd_number(line.substr(a + 1, b - a - 1), &offset));
    ASSERT_TRUE(decode_dictd_number(line.substr(b + 1), &length));
    const std::string word = line.substr(0, a);
    if (word.rfind("00", 0) == 0) continue;
    std::string body = text.substr(offset, length);
    while (!body.empty() && (body.back() == '\n' || body.back() == ' ')) body.pop_back();
    expected[word].push_back(body);
  }
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
  for (const char* word : {"apple", "run", "dog", "house", "zero"}) {
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
    EXPECT_NE(article.find(expected[word][0].substr(expected[word][0].find('\n') + 1)),
              std::string::npos)
        << "the translation itself is in the article of " << word;
  }
}

}  // namespace
}  // namespace lexora::import
