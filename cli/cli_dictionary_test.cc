// lexora-cli info, words, find and build, run as a program: output, exit
// codes and messages on stderr.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/cli_runner.h"
#include "compiler/dictionary_writer.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

using test::CliResult;

class CliTest : public ::testing::Test {
 protected:
  // Runs lexora-cli with `args` (already shell-quoted), `input` on stdin.
  CliResult run(const std::string& args, const std::string& input = "") {
    return test::run_cli(dir_, args, input);
  }

  std::string dictionary(std::initializer_list<std::u16string> words,
                         compiler::DictionaryOptions options = {},
                         const std::string& name = "d.zd") {
    compiler::DictionarySource source;
    for (const auto& w : words) source.entries.emplace_back(w, u"article");
    std::string path = dir_.file(name);
    EXPECT_TRUE(compiler::write_dictionary_file(path, source, options, nullptr));
    return "'" + path + "'";
  }

  test::TempDir dir_;
};

TEST_F(CliTest, InfoPrintsTheHeaderAsOneJsonLine) {
  compiler::DictionaryOptions options;
  options.version = 2;
  CliResult r = run("info " + dictionary({u"a", u"b", u"c"}, options));
  ASSERT_EQ(r.exit_code, 0) << r.err;
  ASSERT_EQ(r.out.back(), '\n');
  ASSERT_EQ(r.out.find('\n'), r.out.size() - 1);
  auto info = nlohmann::json::parse(r.out);
  EXPECT_EQ(info["version"], 2);
  EXPECT_EQ(info["word_count"], 3);
  EXPECT_EQ(info["articles_per_block"], 100);
  EXPECT_EQ(info["words_code_page"], 1251);
  EXPECT_EQ(info["locale_id"], 0x19);
  EXPECT_EQ(info["use_locale"], false);
  EXPECT_TRUE(info["pack"].is_null());
  for (const char* key : {"words_size", "words_packed_size", "block_count", "abbrev_count",
                          "abbrevs_size", "abbrevs_packed_size", "flags", "articles_code_page"})
    EXPECT_TRUE(info.contains(key)) << key;
}

TEST_F(CliTest, FilesThatDoNotOpenExitWithOneAndSayWhichAndWhy) {
  CliResult missing = run("info '" + dir_.file("none.zd") + "'");
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_TRUE(missing.out.empty());
  EXPECT_EQ(missing.err, "Error: Can't open file " + dir_.file("none.zd") + ": no such file\n");

  std::string path = dictionary({u"a", u"b"});
  test::corrupt_byte(dir_.file("d.zd"), 55);
  CliResult broken = run("find " + path + " a");
  EXPECT_EQ(broken.exit_code, 1);
  EXPECT_TRUE(broken.out.empty());
  EXPECT_EQ(broken.err,
            "Error: Integrity error\nError: Can't open file " + dir_.file("d.zd") + "\n");
}

TEST_F(CliTest, WordsPrintsARange) {
  std::string path = dictionary({u"delta", u"alpha", u"charlie", u"bravo"});
  EXPECT_EQ(run("words " + path).out, "alpha\nbravo\ncharlie\ndelta\n");
  EXPECT_EQ(run("words " + path + " --from 1 --count 2").out, "bravo\ncharlie\n");
  EXPECT_EQ(run("words --count 9 --from 3 " + path).out, "delta\n");
  CliResult past = run("words " + path + " --from 10");
  EXPECT_EQ(past.exit_code, 0);
  EXPECT_EQ(past.out, "");
}

TEST_F(CliTest, FindAnswersWithIndexExactAndHeadword) {
  std::string path = dictionary({u"-ing", u"Bank", u"bank", u"house", u"\u0434\u043E\u043C"});
  auto find = [&](const std::string& args) {
    CliResult r = run("find " + path + " " + args);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return nlohmann::json::parse(r.out);
  };
  EXPECT_EQ(find("BANK"), nlohmann::json::parse(R"({"index":1,"exact":true,"headword":"Bank"})"));
  EXPECT_EQ(find("hou")["exact"], false);
  EXPECT_EQ(find("hou")["headword"], "house");
  EXPECT_EQ(find("'\xD0\x94\xD0\x9E\xD0\x9C'")["headword"], "\xD0\xB4\xD0\xBE\xD0\xBC");
  EXPECT_EQ(find("-- -ing")["exact"], true);
  EXPECT_EQ(find("'house!'")["exact"], false);
  EXPECT_EQ(find("'house!' --ignore-punctuation")["exact"], true);
  // Two passes: the first (untrimmed) pass was not exact, the second finds it.
  nlohmann::json two = find("'house!' --two-pass --ignore-punctuation");
  EXPECT_EQ(two["exact"], false);
  EXPECT_EQ(two["headword"], "house");
}

TEST_F(CliTest, FindReadsTextsFromStdin) {
  std::string path = dictionary({u"bank", u"house"});
  CliResult r = run("find " + path + " -", "house\r\nbank\nzzz\n");
  ASSERT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out,
            "{\"index\":1,\"exact\":true,\"headword\":\"house\"}\n"
            "{\"index\":0,\"exact\":true,\"headword\":\"bank\"}\n"
            "{\"index\":1,\"exact\":false,\"headword\":\"house\"}\n");
}

// stdin is read in 64 KiB pieces: lines of every length, split across
// pieces anywhere, empty, with "\r\n", and a last line without "\n", each
// get their own answer.
TEST_F(CliTest, FindAnswersEveryLineOfALargeMixedInput) {
  std::string path = dictionary({u"bank", u"house"});
  std::string input, expected;
  const std::string house = "{\"index\":1,\"exact\":true,\"headword\":\"house\"}\n";
  const std::string empty = "{\"index\":0,\"exact\":false,\"headword\":\"bank\"}\n";
  const std::string other = "{\"index\":1,\"exact\":false,\"headword\":\"house\"}\n";
  for (int i = 0; i < 3000; ++i) {
    switch (i % 4) {
      case 0:
        input += "\n";
        expected += empty;
        break;
      case 1:
        input += "house\r\n";
        expected += house;
        break;
      case 2:
        input += std::string(1 + (i * 37) % 9000, 'z') + "\n";
        expected += other;
        break;
      default:
        input += "house\n";
        expected += house;
    }
  }
  input += "house";
  expected += house;
  CliResult r = run("find " + path + " -", input);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

// Answers are written in large pieces, yet one waiting for more input is
// out before the program waits: a program feeding lines one at a time gets
// each answer before it sends the next.
TEST_F(CliTest, FindFromAPipeAnswersALineBeforeTheNextArrives) {
  std::string path = dir_.file("d.zd");
  dictionary({u"bank", u"house"});
  int to_child[2], from_child[2];
  ASSERT_EQ(::pipe(to_child), 0);
  ASSERT_EQ(::pipe(from_child), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(to_child[0], 0);
    ::dup2(from_child[1], 1);
    ::close(to_child[1]);
    ::close(from_child[0]);
    ::execl(LEXORA_CLI, "lexora-cli", "find", path.c_str(), "-", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(to_child[0]);
  ::close(from_child[1]);
  for (const char* word : {"house\n", "bank\n"}) {
    ASSERT_EQ(::write(to_child[1], word, std::strlen(word)),
              static_cast<ssize_t>(std::strlen(word)));
    std::string answer;
    char c = 0;
    pollfd ready{from_child[0], POLLIN, 0};
    while (answer.empty() || answer.back() != '\n') {
      ASSERT_EQ(::poll(&ready, 1, 30000), 1) << "no answer to " << word;
      ASSERT_EQ(::read(from_child[0], &c, 1), 1);
      answer.push_back(c);
    }
    EXPECT_NE(answer.find(std::string(word, std::strlen(word) - 1)), std::string::npos) << answer;
  }
  ::close(to_child[1]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(from_child[0]);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(CliTest, FindInAnEmptyDictionaryLeavesExactUnset) {
  CliResult r = run("find " + dictionary({}) + " x");
  ASSERT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "{\"index\":0,\"exact\":null,\"headword\":null}\n");
}

TEST_F(CliTest, BuildCompilesASourceWithOverrides) {
  test::write_file(dir_.file("s.txt"),
                   std::string("@version 4\n@abbrev adj.\tadjective\nbank\tberth\nBank\tB\n"));
  CliResult r = run("build '" + dir_.file("s.txt") + "' -o '" + dir_.file("s.zd") +
                    "' --locale 0x0409 --checksum --articles-per-block 1");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  auto info = nlohmann::json::parse(run("info '" + dir_.file("s.zd") + "'").out);
  EXPECT_EQ(info["version"], 4);
  EXPECT_EQ(info["locale_id"], 0x0409);
  EXPECT_EQ(info["flags"], 4);
  EXPECT_EQ(info["block_count"], 2);
  EXPECT_EQ(info["abbrev_count"], 1);
  EXPECT_EQ(info["use_locale"], true);

  CliResult bad =
      run("build '" + dir_.file("s.txt") + "' -o '" + dir_.file("t.zd") + "' --locale xyz");
  EXPECT_EQ(bad.exit_code, 1);
  EXPECT_NE(bad.err.find("--locale"), std::string::npos);
  test::write_file(dir_.file("bad.txt"), std::string("a\tb\n@colour red\n"));
  CliResult malformed = run("build '" + dir_.file("bad.txt") + "' -o '" + dir_.file("t.zd") + "'");
  EXPECT_EQ(malformed.exit_code, 1);
  EXPECT_NE(malformed.err.find("line 2"), std::string::npos);
}

}  // namespace
}  // namespace lexora
