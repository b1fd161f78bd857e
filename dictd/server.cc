#include "dictd/server.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "dictd/worker.h"

#ifndef LEXORA_VERSION
#define LEXORA_VERSION "0"
#endif

namespace lexora::dictd {
namespace {

constexpr int kListenBacklog = 511;
constexpr std::size_t kHostNameSize = 256;

std::string host_name() {
  char name[kHostNameSize] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

}  // namespace

Server::Server(ServerConfig config) : config_(std::move(config)) {}

Server::~Server() {
  stop();
  if (listen_fd_ >= 0) ::close(listen_fd_);
  if (stop_fd_ >= 0) ::close(stop_fd_);
}

bool Server::open_databases(std::string* error) {
  std::set<std::string> names;
  for (const DatabaseConfig& dc : config_.databases) {
    if (!is_valid_database_name(dc.name)) {
      *error =
          "bad database name \"" + dc.name + "\" (no blanks, quotes or backslashes; not * or !)";
      return false;
    }
    if (!names.insert(dc.name).second) {
      *error = "database name \"" + dc.name + "\" given twice";
      return false;
    }
    std::unique_ptr<Database> db = Database::open(dc, error);
    if (!db) return false;
    context_.databases.push_back(std::move(db));
  }
  return true;
}

bool Server::listen_socket(std::string* error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV | AI_NUMERICHOST;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(config_.port);
  const std::string host = config_.address == "localhost" ? kDefaultAddress : config_.address;
  const int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
  if (rc != 0 || found == nullptr) {
    *error = "bad address " + config_.address + ": " + ::gai_strerror(rc);
    return false;
  }
  listen_fd_ = ::socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int one = 1;
  bool ok = listen_fd_ >= 0 &&
            ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) == 0 &&
            ::bind(listen_fd_, found->ai_addr, found->ai_addrlen) == 0 &&
            ::listen(listen_fd_, kListenBacklog) == 0;
  ::freeaddrinfo(found);
  if (!ok) {
    *error = "cannot listen on " + config_.address + " port " + port + ": " + std::strerror(errno);
    return false;
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&bound), &length);
  port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                            : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
  return true;
}

bool Server::start(std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  context_.hostname = host_name();
  context_.version = LEXORA_VERSION;
  context_.limits = config_.limits;
  if (config_.strategies) {
    for (const std::string& name : *config_.strategies) {
      const std::optional<Strategy> s = strategy_by_name(name);
      if (!s) {
        *error = "unknown strategy " + name;
        return false;
      }
      if (!context_.offers(*s)) context_.strategies.push_back(*s);
    }
  } else {
    for (const StrategyInfo& info : all_strategies()) context_.strategies.push_back(info.id);
  }
  if (!open_databases(error) || !listen_socket(error)) return false;
  stop_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (stop_fd_ < 0) {
    *error = std::string("eventfd: ") + std::strerror(errno);
    return false;
  }
  int threads = config_.threads;
  if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  threads = std::min(threads, kMaxThreads);
  for (int i = 0; i < threads; ++i) {
    workers_.emplace_back([this] {
      Worker worker(&context_, listen_fd_, stop_fd_, &stopping_, &open_connections_);
      worker.run();
    });
  }
  return true;
}

void Server::stop() {
  std::lock_guard<std::mutex> lock(stop_mutex_);
  if (workers_.empty()) return;
  stopping_ = true;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(stop_fd_, &one, sizeof one);
  for (std::thread& t : workers_) t.join();
  workers_.clear();
}

}  // namespace lexora::dictd
