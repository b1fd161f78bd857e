// lexora-cli grep, run as a program: JSON lines in headword order, the
// limits, regular expressions and exit codes.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "compiler/dictionary_writer.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

using test::CliResult;

class CliGrepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    compiler::DictionarySource source;
    source.entries = {{u"cat", u"\u043a\u043e\u0442, a small <b>House</b> animal"},
                      {u"dog", u"\u0441\u043e\u0431\u0430\u043a\u0430 <r>house</r>"},
                      {u"home", u"\u0434\u043e\u043c; see <i>house</i>"},
                      {u"house", u"\u0434\u043e\u043c, \u0437\u0434\u0430\u043d\u0438\u0435"}};
    compiler::DictionaryOptions options;
    options.articles_per_block = 2;
    std::string error;
    ASSERT_TRUE(compiler::write_dictionary_file(dir_.file("en-ru.zd"), source, options, &error))
        << error;
    dict_ = "'" + dir_.file("en-ru.zd") + "'";
  }

  // The JSON objects printed, one per line.
  static std::vector<nlohmann::json> lines(const std::string& out) {
    std::vector<nlohmann::json> parsed;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) parsed.push_back(nlohmann::json::parse(line));
    return parsed;
  }

  CliResult run(const std::string& args) { return test::run_cli(dir_, args); }

  test::TempDir dir_;
  std::string dict_;
};

TEST_F(CliGrepTest, PrintsOneJsonLinePerArticleInHeadwordOrder) {
  CliResult r = run("grep " + dict_ + " house");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::vector<nlohmann::json> found = lines(r.out);
  ASSERT_EQ(found.size(), 2u);  // not "dog": its "house" is a reference
  EXPECT_EQ(found[0].dump(),
            R"({"headword":"cat","index":0,"snippet":"кот, a small House animal"})");
  EXPECT_EQ(found[1]["index"], 2);
  EXPECT_EQ(found[1]["headword"], "home");
  EXPECT_EQ(found[1]["snippet"], "дом; see house");
}

TEST_F(CliGrepTest, CyrillicWordsPhrasesAndMax) {
  CliResult r = run("grep " + dict_ + " ДОМ");
  EXPECT_EQ(lines(r.out).size(), 2u);
  r = run("grep " + dict_ + " --max 1 -- дом");
  ASSERT_EQ(lines(r.out).size(), 1u);
  EXPECT_EQ(lines(r.out)[0]["headword"], "home");
  r = run("grep " + dict_ + " '\"дом здание\"'");
  ASSERT_EQ(lines(r.out).size(), 0u);
  r = run("grep " + dict_ + " '\"дом, здание\"'");
  ASSERT_EQ(lines(r.out).size(), 1u);
  EXPECT_EQ(lines(r.out)[0]["headword"], "house");
}

TEST_F(CliGrepTest, RegexAndExitCodes) {
  CliResult r = run("grep " + dict_ + " --regex 'з[a-я]+е$'");
  EXPECT_EQ(r.exit_code, 0);
  ASSERT_EQ(lines(r.out).size(), 1u);
  EXPECT_EQ(lines(r.out)[0]["index"], 3);

  r = run("grep " + dict_ + " giraffe");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
  r = run("grep " + dict_ + " --regex '(unclosed'");
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("regular expression"), std::string::npos);
  r = run("grep '" + dir_.file("missing.zd") + "' house");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
}

TEST_F(CliGrepTest, DamagedBlockIsReportedAndTheRestSearched) {
  const std::string path = dir_.file("en-ru.zd");
  std::vector<std::uint8_t> bytes = test::read_file(path);
  // The last block's data: flip bytes in the middle of its zlib stream.
  bytes[bytes.size() - 6] ^= 0xFF;
  bytes[bytes.size() - 7] ^= 0xFF;
  test::write_file(path, bytes);
  CliResult r = run("grep " + dict_ + " house");
  EXPECT_EQ(lines(r.out).size(), 1u);
  EXPECT_NE(r.err.find("Error: Integrity error"), std::string::npos);
}

}  // namespace
}  // namespace lexora
