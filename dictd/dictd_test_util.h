// Helpers for the server tests: a test dictionary built by our compiler, an
// in-process server on 127.0.0.1 with a free port, and a blocking DICT client
// whose reads time out instead of hanging.
#ifndef LEXORA_DICTD_DICTD_TEST_UTIL_H_
#define LEXORA_DICTD_DICTD_TEST_UTIL_H_

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "compiler/dictionary_writer.h"
#include "dictd/server.h"
#include "testing/test_files.h"

namespace lexora::dictd::test {

inline constexpr int kReadTimeoutMs = 10000;

// Writes a UTF-8 dictionary (English locale) of `entries` to `path`.
inline void write_test_dictionary(
    const std::string& path,
    const std::vector<std::pair<std::u16string, std::u16string>>& entries) {
  compiler::DictionarySource source;
  source.entries = entries;
  compiler::DictionaryOptions options;
  options.words_code_page = 65001;
  options.articles_code_page = 65001;
  options.locale_id = 0x0409;
  std::string error;
  if (!compiler::write_dictionary_file(path, source, options, &error))
    throw std::runtime_error("cannot write test dictionary: " + error);
}

// A connected client. Every read waits at most kReadTimeoutMs.
class Client {
 public:
  explicit Client(std::uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
      throw std::runtime_error("cannot connect");
  }
  ~Client() { close(); }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int fd() const { return fd_; }

  void send_raw(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) throw std::runtime_error("send failed");
      sent += static_cast<std::size_t>(n);
    }
  }

  // One line without its CR LF; "<eof>" when the server closed, "<timeout>"
  // when nothing came in time.
  std::string line() {
    while (true) {
      const std::size_t end = buffer_.find("\r\n");
      if (end != std::string::npos) {
        std::string l = buffer_.substr(0, end);
        buffer_.erase(0, end + 2);
        return l;
      }
      const int got = fill();
      if (got == 0) return "<eof>";
      if (got < 0) return "<timeout>";
    }
  }

  // The whole reply to one command: every line up to and including the
  // final status (a 2xx, 4xx or 5xx line that follows no open text block),
  // lines joined by '\n'.
  std::string reply() {
    std::string all;
    while (true) {
      std::string l = line();
      all += l + "\n";
      if (l == "<eof>" || l == "<timeout>") return all;
      const int code = l.size() >= 3 ? std::stoi(l.substr(0, 3)) : 0;
      if ((code >= 110 && code <= 114) || code == 151 || code == 152) {
        for (std::string t = line();; t = line()) {
          all += t + "\n";
          if (t == "." || t == "<eof>" || t == "<timeout>") break;
        }
        continue;
      }
      if (code == 150) continue;  // the definitions follow
      return all;
    }
  }

  std::string command(const std::string& text) {
    send_raw(text + "\r\n");
    return reply();
  }

  // True when the server has closed the connection (within the timeout).
  bool closed_by_server() {
    while (true) {
      const int got = fill();
      if (got == 0) return true;
      if (got < 0) return false;
    }
  }

 private:
  // >0 bytes read, 0 end of stream (or reset), -1 timeout.
  int fill() {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, kReadTimeoutMs) <= 0) return -1;
    char chunk[65536];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) return 0;
    buffer_.append(chunk, static_cast<std::size_t>(n));
    return static_cast<int>(n);
  }

  int fd_ = -1;
  std::string buffer_;
};

}  // namespace lexora::dictd::test

#endif  // LEXORA_DICTD_DICTD_TEST_UTIL_H_
