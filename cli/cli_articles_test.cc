// lexora-cli article, abbrev, verify and pack, run as a program: output,
// exit codes and the pack written by build --pack.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/cli_runner.h"
#include "compiler/dictionary_writer.h"
#include "compiler/pack_writer.h"
#include "engine/dictionary_header.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

using test::CliResult;

class CliArticlesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    compiler::DictionarySource source;
    source.entries = {{u"cat", u"\u043a\u043e\u0442 <wav>snd\\cat.wav</wav>"},
                      {u"dog", u""},
                      {u"house", u"\u0434\u043e\u043c"}};
    source.abbreviations = {{u"adj", u"adjective"}};
    compiler::DictionaryOptions options;
    options.flags = FLAG_HAS_CHECKSUM;
    std::string error;
    ASSERT_TRUE(compiler::write_dictionary_file(dir_.file("en-ru.zd"), source, options, &error))
        << error;
    ASSERT_TRUE(
        compiler::write_pack_file(dir_.file("en-ru.zpak"),
                                  {{u"img\\cat.png", {0x89, 'P', 'N', 'G'}, false},
                                   {u"style.css", std::vector<std::uint8_t>(600, 'b'), true}},
                                  {}, &error))
        << error;
    dict_ = "'" + dir_.file("en-ru.zd") + "'";
  }

  CliResult run(const std::string& args, const std::string& input = "") {
    return test::run_cli(dir_, args, input);
  }

  test::TempDir dir_;
  std::string dict_;
};

TEST_F(CliArticlesTest, ArticlePrintsTheTextExactlyOrExitsOne) {
  CliResult r = run("article " + dict_ + " 0");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "\xd0\xba\xd0\xbe\xd1\x82 <wav>snd\\cat.wav</wav>");
  r = run("article " + dict_ + " 1");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "");
  r = run("article " + dict_ + " 3");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
  r = run("article '" + dir_.file("missing.zd") + "' 0");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
}

TEST_F(CliArticlesTest, ArticleFromStdinAnswersEachLineWithJson) {
  CliResult r = run("article " + dict_ + " -", "2\n9\nx\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out,
            "{\"index\":2,\"article\":\"\xd0\xb4\xd0\xbe\xd0\xbc\"}\n"
            "{\"index\":9,\"article\":null}\n"
            "{\"index\":null,\"article\":null}\n");
}

TEST_F(CliArticlesTest, AbbrevPrintsTheExpansionOrExitsOne) {
  CliResult r = run("abbrev " + dict_ + " adj");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "adjective\n");
  r = run("abbrev " + dict_ + " Adj");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
}

TEST_F(CliArticlesTest, VerifyExitCodeIsTheResult) {
  CliResult r = run("verify " + dict_);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "No errors\n");
  const std::string path = dir_.file("en-ru.zd");
  test::corrupt_byte(path, std::filesystem::file_size(path) - 5);
  r = run("verify " + dict_);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "Wrong CRC!\n");
  r = run("verify '" + dir_.file("missing.zd") + "'");
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.out, "File reading error\n");
}

TEST_F(CliArticlesTest, PackListAndGet) {
  CliResult r = run("pack list " + dict_);
  EXPECT_EQ(r.exit_code, 0);
  ASSERT_EQ(r.out.substr(0, r.out.find('\n') + 1), "img\\cat.png\t4\t0\n");
  EXPECT_NE(r.out.find("style.css\t600\t"), std::string::npos);
  r = run("pack get " + dict_ + " img/cat.png");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "\x89PNG");
  r = run("pack get " + dict_ + " style.css");
  EXPECT_EQ(r.out, std::string(600, 'b'));
  r = run("pack get " + dict_ + " none.png");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
}

TEST_F(CliArticlesTest, BuildWritesThePackBesideTheDictionary) {
  std::filesystem::create_directories(dir_.file("media/img"));
  test::write_file(dir_.file("media/img/sun.bmp"), "BM..");
  test::write_file(dir_.file("media/style.css"), "body{}");
  test::write_file(dir_.file("src.txt"), "sun\t<img src=\"img\\sun.bmp\">\n");
  CliResult r = run("build '" + dir_.file("src.txt") + "' -o '" + dir_.file("out.zd") +
                    "' --pack '" + dir_.file("media") + "' --pack-version 1");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = run("info '" + dir_.file("out.zd") + "'");
  EXPECT_NE(r.out.find("\"pack\":{\"version\":1,\"entries\":2}"), std::string::npos) << r.out;
  r = run("pack get '" + dir_.file("out.zd") + "' img/sun.bmp");
  EXPECT_EQ(r.out, "BM..");

  r = run("build '" + dir_.file("src.txt") + "' -o '" + dir_.file("none.zd") + "' --pack '" +
          dir_.file("no-such-folder") + "'");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_FALSE(std::filesystem::exists(dir_.file("none.zd")));
}

}  // namespace
}  // namespace lexora
