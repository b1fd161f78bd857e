// Runs the real lexora-cli: printing and setting values, and two processes
// setting values at the same time.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/qt/registry.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

struct CliRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

std::string quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

class CliSettingsTest : public ::testing::Test {
 protected:
  CliSettingsTest() { setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1); }
  ~CliSettingsTest() override { unsetenv("XDG_CONFIG_HOME"); }

  // `args` are already quoted for the shell.
  CliRun run(const std::string& args) {
    CliRun result;
    FILE* pipe =
        popen((quote(LEXORA_CLI) + " " + args + " 2>" + quote(dir_.file("err"))).c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto err = test::read_file(dir_.file("err"));
    result.err.assign(err.begin(), err.end());
    return result;
  }

  std::string store() const { return dir_.path() + "/Lexora/Lexora.ini"; }

  test::TempDir dir_;
};

TEST_F(CliSettingsTest, PrintsTheDefaultsOfAFreshStart) {
  const CliRun r = run("settings");
  ASSERT_EQ(r.exit_code, 0);
  const auto json = nlohmann::json::parse(r.out);
  EXPECT_EQ(json["file"], store());
  EXPECT_EQ(json["Text size"], 2);
  EXPECT_EQ(json["N recent files"], 8);
  EXPECT_EQ(json["g_use_lumira_profile"], true);
  EXPECT_EQ(json["g_use_colors_profile"], false);
  EXPECT_EQ(json["FontRes"], "");
  EXPECT_TRUE(json["recent_files"].empty());
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);  // one line
}

TEST_F(CliSettingsTest, SetWritesTheValueInItsStoredForm) {
  ASSERT_EQ(run("settings set 'g_use_colors_profile' true").exit_code, 0);
  ASSERT_EQ(run("settings set 'Text size' -- -3").exit_code, 0);
  ASSERT_EQ(run("settings set MainFont 'DejaVu Serif'").exit_code, 0);
  ASSERT_EQ(run("settings --dictionary /some/where/y.zd set last_word_id 77").exit_code, 0);

  const auto json = nlohmann::json::parse(run("settings").out);
  EXPECT_EQ(json["g_use_colors_profile"], true);
  EXPECT_EQ(json["Text size"], -3);
  EXPECT_EQ(json["MainFont"], "DejaVu Serif");
  const auto dict = nlohmann::json::parse(run("settings --dictionary y.zd").out);
  EXPECT_EQ(dict["last_word_id"], 77);
  EXPECT_EQ(dict["smart_find"], 1);

  Registry registry(store());
  RegistryKey key = registry.create_key("");
  std::uint32_t size = 0;
  ASSERT_TRUE(key.query_value("g_use_colors_profile", nullptr, nullptr, &size));
  EXPECT_EQ(size, 1u);
  ASSERT_TRUE(key.query_value("MainFont", nullptr, nullptr, &size));
  EXPECT_EQ(size, (12u + 1) * 2);
}

TEST_F(CliSettingsTest, UnknownNamesAndBadValuesChangeNothing) {
  ASSERT_EQ(run("settings set 'Text size' 3").exit_code, 0);
  CliRun r = run("settings set 'Text Size' 4");  // names are case-sensitive
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(run("settings set last_word 1").exit_code, 1);  // a dictionary value
  EXPECT_NE(run("settings set 'Text size' 99999999999").exit_code, 0);
  EXPECT_NE(run("settings set 'Text size' 4x").exit_code, 0);
  EXPECT_NE(run("settings set g_smart_menu yes").exit_code, 0);
  EXPECT_EQ(nlohmann::json::parse(run("settings").out)["Text size"], 3);
}

TEST_F(CliSettingsTest, TwoProcessesSettingAtOnceKeepBothValues) {
  // Each loop sets its own value 25 times; neither save may undo the other's.
  const std::string cli = quote(LEXORA_CLI);
  const std::string loop_a =
      "for i in $(seq 1 8); do " + cli + " settings set 'Text size' $i; done";
  const std::string loop_b = "for i in $(seq 1 8); do " + cli +
                             " settings set --dictionary d.zd last_word_id $i; " + cli +
                             " settings set 'MainFont Size' $i; done";
  const std::string script = "(" + loop_a + ") & (" + loop_b + ") & wait";
  ASSERT_EQ(std::system(("bash -c " + quote(script)).c_str()), 0);
  const auto json = nlohmann::json::parse(run("settings").out);
  EXPECT_EQ(json["Text size"], 8);
  EXPECT_EQ(json["MainFont Size"], 8);
  EXPECT_EQ(nlohmann::json::parse(run("settings --dictionary d.zd").out)["last_word_id"], 8);
}

// A settings file that cannot be read or written: exit 1 with what failed
// on which file, and the file as it was.
TEST_F(CliSettingsTest, UnreadableOrUnwritableFileIsAnErrorNamingIt) {
  for (const char* device : {"/dev/zero", "/dev/null"}) {
    const CliRun print = run(std::string("settings --file ") + device);
    EXPECT_EQ(print.exit_code, 1) << device;
    EXPECT_EQ(print.err, std::string("Error: cannot read ") + device + ": not a regular file\n");
    const CliRun set = run(std::string("settings set 'Text size' 3 --file ") + device);
    EXPECT_EQ(set.exit_code, 1) << device;
    EXPECT_NE(set.err.find(device), std::string::npos) << set.err;
  }
  const std::string fifo = dir_.file("fifo.ini");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(run("settings --file " + quote(fifo)).exit_code, 1);  // at once, not blocked

  ASSERT_EQ(run("settings set 'Text size' 3").exit_code, 0);
  const auto before = test::read_file(store());
  if (::geteuid() == 0) GTEST_SKIP() << "root writes regardless of permissions";
  const std::string folder = dir_.path() + "/Lexora";
  ::chmod(folder.c_str(), 0555);
  const CliRun refused = run("settings set 'Text size' 4");
  ::chmod(folder.c_str(), 0755);
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find(store()), std::string::npos) << refused.err;
  EXPECT_EQ(test::read_file(store()), before);
}

}  // namespace
}  // namespace lexora
