// lexora-cli suggest run as a program.
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

class CliSuggestTest : public ::testing::Test {
 protected:
  CliSuggestTest() {
    compiler::DictionarySource source;
    for (const char16_t* w : {u"hose", u"House", u"houses", u"mouse", u"дом", u"household"})
      source.entries.emplace_back(w, u"article");
    path_ = dir_.file("d.zd");
    EXPECT_TRUE(compiler::write_dictionary_file(path_, source, {}, nullptr));
  }

  std::vector<nlohmann::json> lines(const std::string& out) {
    std::vector<nlohmann::json> result;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) result.push_back(nlohmann::json::parse(line));
    return result;
  }

  test::TempDir dir_;
  std::string path_;
};

TEST_F(CliSuggestTest, PrintsNearestFirstAsJsonLines) {
  test::CliResult r = test::run_cli(dir_, "suggest '" + path_ + "' hous --distance 2");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::vector<nlohmann::json> found = lines(r.out);
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0]["headword"], "House");
  EXPECT_EQ(found[0]["distance"], 1);
  for (std::size_t i = 1; i < found.size(); ++i) EXPECT_EQ(found[i]["distance"], 2);
  EXPECT_TRUE(found[0]["index"].is_number_unsigned());
}

TEST_F(CliSuggestTest, DistanceDefaultsToOneAndMaxCuts) {
  test::CliResult one = test::run_cli(dir_, "suggest '" + path_ + "' HOUSE!");
  ASSERT_EQ(one.exit_code, 0) << one.err;
  EXPECT_EQ(lines(one.out).size(), 4u);  // House, hose, houses, mouse
  test::CliResult cut = test::run_cli(dir_, "suggest '" + path_ + "' HOUSE --max 1");
  ASSERT_EQ(cut.exit_code, 0);
  ASSERT_EQ(lines(cut.out).size(), 1u);
  EXPECT_EQ(lines(cut.out)[0]["distance"], 0);
  test::CliResult cyrillic = test::run_cli(dir_, "suggest '" + path_ + "' ДОММ");
  ASSERT_EQ(cyrillic.exit_code, 0);
  EXPECT_EQ(lines(cyrillic.out)[0]["headword"], "дом");
}

TEST_F(CliSuggestTest, NothingNearOrNoFileExitsWithOne) {
  test::CliResult none = test::run_cli(dir_, "suggest '" + path_ + "' zzzzzz");
  EXPECT_EQ(none.exit_code, 1);
  EXPECT_TRUE(none.out.empty());
  test::CliResult missing = test::run_cli(dir_, "suggest '" + dir_.file("none.zd") + "' house");
  EXPECT_EQ(missing.exit_code, 1);
  test::CliResult bad = test::run_cli(dir_, "suggest '" + path_ + "' house --distance 3");
  EXPECT_NE(bad.exit_code, 0);
  EXPECT_TRUE(bad.out.empty());
}

}  // namespace
}  // namespace lexora
