// lexora-dictd run as a program: the Debian `dict` client against it, and
// SIGTERM. Skipped when `dict` is not installed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dictd/dictd_test_util.h"

extern char** environ;

namespace lexora::dictd {
namespace {

constexpr int kStartTimeoutMs = 10000;

// The first executable `name` on PATH, or "".
std::string find_program(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

// lexora-dictd as a child process on a free port of 127.0.0.1.
class DictdProcess {
 public:
  explicit DictdProcess(std::vector<std::string> args) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<std::string> all = {LEXORA_DICTD, "--address", "127.0.0.1", "--port", "0"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, LEXORA_DICTD, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    out_ = out[0];
  }
  ~DictdProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
  }

  // The port from the "listening on ... port N" line; 0 when it did not come.
  int wait_for_port() {
    std::string text;
    while (text.find('\n') == std::string::npos) {
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, kStartTimeoutMs) <= 0) return 0;
      char buffer[256];
      const ssize_t n = ::read(out_, buffer, sizeof buffer);
      if (n <= 0) return 0;
      text.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t at = text.find(" port ");
    return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 6);
  }

  // Sends SIGTERM and returns the exit status (-1 when it did not exit
  // normally within the timeout).
  int terminate() {
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 1000; ++i) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      ::usleep(10000);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

std::string run(const std::string& command) {
  std::string out;
  std::FILE* pipe = ::popen(("timeout 30 " + command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

class DictClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dict_ = find_program("dict");
    if (dict_.empty()) GTEST_SKIP() << "the dict client is not installed";
    test::write_test_dictionary(dir_.file("en.zd"),
                                {{u"house", u"<t>haʊs</t> дом; see <r>household</r>"},
                                 {u"household", u"домашнее хозяйство"},
                                 {u"mouse", u"мышь"},
                                 {u"horse", u"лошадь"}});
  }

  lexora::test::TempDir dir_;
  std::string dict_;
};

TEST_F(DictClientTest, DictDefinesAndMatchesAgainstTheServer) {
  DictdProcess server({dir_.file("en.zd")});
  const int port = server.wait_for_port();
  ASSERT_GT(port, 0);
  const std::string client = dict_ + " -h 127.0.0.1 -p " + std::to_string(port);
  const std::string defined = run(client + " house");
  EXPECT_NE(defined.find("1 definition found"), std::string::npos) << defined;
  EXPECT_NE(defined.find("From en.zd [en]:"), std::string::npos) << defined;
  EXPECT_NE(defined.find("[haʊs] дом; see {household}"), std::string::npos) << defined;
  const std::string matched = run(client + " -s lev -m hous");
  EXPECT_NE(matched.find("en:"), std::string::npos) << matched;
  EXPECT_NE(matched.find("house"), std::string::npos) << matched;
  EXPECT_EQ(matched.find("horse"), std::string::npos) << matched;
  const std::string databases = run(client + " -D");
  EXPECT_NE(databases.find("en"), std::string::npos) << databases;
  const std::string strategies = run(client + " -S");
  EXPECT_NE(strategies.find("soundex"), std::string::npos) << strategies;
  EXPECT_EQ(server.terminate(), 0);
}

TEST_F(DictClientTest, TheProgramRefusesToStartWithoutItsDictionary) {
  DictdProcess server({dir_.file("missing.zd")});
  EXPECT_EQ(server.wait_for_port(), 0);
  EXPECT_NE(server.terminate(), 0);
}

}  // namespace
}  // namespace lexora::dictd
