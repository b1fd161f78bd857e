#include "bench/dictd_bench_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace lexora::bench {
namespace {

constexpr int kReadTimeoutMs = 30000;

}  // namespace

int free_port() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t length = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
  ::close(fd);
  return ntohs(addr.sin_port);
}

Process::Process(const std::vector<std::string>& argv) {
  std::vector<std::string> copy = argv;
  std::vector<char*> args;
  for (std::string& a : copy) args.push_back(a.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
}

Process::~Process() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  if (wait(5000) == -1 && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

int Process::wait(int timeout_ms) {
  for (int waited = 0; waited <= timeout_ms; waited += 2) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return -1;
}

double cpu_seconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string f;
  double ticks = 0;
  // Fields 3.. after the name: state is the first; utime, stime, cutime and
  // cstime are fields 14 to 17 of the whole line.
  for (int i = 3; i <= 17 && fields >> f; ++i)
    if (i >= 14) ticks += std::stod(f);
  return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

std::size_t resident_bytes(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/statm");
  std::size_t size = 0, resident = 0;
  in >> size >> resident;
  return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

DictConnection::DictConnection(int port, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        read_line(&banner_) && banner_.starts_with("220"))
      return;
    ::close(fd_);
    fd_ = -1;
    buffer_.clear();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

DictConnection::~DictConnection() {
  if (fd_ >= 0) {
    const std::string quit = "QUIT\r\n";
    [[maybe_unused]] ssize_t n = ::send(fd_, quit.data(), quit.size(), MSG_NOSIGNAL);
    ::close(fd_);
  }
}

bool DictConnection::read_line(std::string* line) {
  while (true) {
    const std::size_t end = buffer_.find("\r\n");
    if (end != std::string::npos) {
      line->assign(buffer_, 0, end);
      buffer_.erase(0, end + 2);
      return true;
    }
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, kReadTimeoutMs) <= 0) return false;
    char chunk[65536];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<std::size_t>(n));
  }
}

int DictConnection::command(const std::string& text, std::size_t* bytes) {
  if (fd_ < 0) return 0;
  const std::string line = text + "\r\n";
  if (::send(fd_, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()))
    return 0;
  int first = 0;
  std::size_t total = 0;
  std::string l;
  while (read_line(&l)) {
    total += l.size() + 2;
    const int code = l.size() >= 3 ? std::atoi(l.substr(0, 3).c_str()) : 0;
    if (first == 0) first = code;
    if ((code >= 110 && code <= 114) || code == 151 || code == 152) {
      while (read_line(&l) && l != ".") total += l.size() + 2;
      continue;
    }
    if (code == 150) continue;
    if (bytes != nullptr) *bytes = total;
    return first;
  }
  return 0;
}

double median(std::vector<double> values) {
  return percentile(std::move(values), 0.5);
}

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t at =
      std::min(values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size())));
  return values[at];
}

}  // namespace lexora::bench
