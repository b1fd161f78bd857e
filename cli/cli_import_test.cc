// lexora-cli import run as a program: statistics, errors and the cache.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>

#include "cli/cli_runner.h"
#include "import/test_sources.h"

namespace lexora::test {
namespace {

TEST(CliImport, WritesTheDictionaryAndPrintsStatistics) {
  TempDir dir;
  const std::string index =
      import::test::write_dictd(dir.path(), "db",
                                {{"00-database-short", "00-database-short\n   Small\n"},
                                 {"a", "a one\n"},
                                 {"a", "a two\n"},
                                 {"b", "b\n"}},
                                true);
  const CliResult r = run_cli(dir, "import '" + index + "' -o '" + dir.file("db.zd") + "' --stats");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const nlohmann::json stats = nlohmann::json::parse(r.out);
  EXPECT_EQ(stats["format"], "dictd");
  EXPECT_EQ(stats["title"], "Small");
  EXPECT_EQ(stats["headwords_read"], 3);
  EXPECT_EQ(stats["headwords_written"], 2);
  EXPECT_EQ(stats["articles_merged"], 1);
  EXPECT_EQ(stats["skipped"]["database information entry"], 1);
  const CliResult words = run_cli(dir, "words '" + dir.file("db.zd") + "'");
  EXPECT_NE(words.out.find("a"), std::string::npos);
}

TEST(CliImport, DamagedSourceIsNamedWithItsLineAndNothingIsWritten) {
  TempDir dir;
  write_file(dir.file("bad.index"), "a\tA\tB\nb\t!\tB\n");
  write_file(dir.file("bad.dict"), "aaaa");
  const CliResult r =
      run_cli(dir, "import '" + dir.file("bad.index") + "' -o '" + dir.file("x.zd") + "'");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("bad.index: line 2: "), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.zd")));
  const CliResult unknown =
      run_cli(dir, "import '" + dir.file("bad.dict") + "' --format xyz -o x.zd");
  EXPECT_EQ(unknown.exit_code, 1);
}

TEST(CliImport, CachedConversionIsReused) {
  TempDir dir;
  const std::string index = import::test::write_dictd(dir.path(), "db", {{"a", "a\n"}}, false);
  // The program inherits the variable: the cache goes into the test's folder.
  ::setenv("XDG_CACHE_HOME", dir.file("cache").c_str(), 1);
  const CliResult first = run_cli(dir, "import '" + index + "' --cached --stats");
  ASSERT_EQ(first.exit_code, 0) << first.err;
  const std::string path = first.out.substr(0, first.out.find('\n'));
  EXPECT_EQ(path.rfind(dir.file("cache/Lexora/db.index-"), 0), 0u) << path;
  EXPECT_TRUE(std::filesystem::exists(path));
  const CliResult again = run_cli(dir, "import '" + index + "' --cached --stats");
  EXPECT_EQ(again.out, path + "\n");  // no statistics: nothing was converted
  ::unsetenv("XDG_CACHE_HOME");
}

}  // namespace
}  // namespace lexora::test
