// lexora-dictd's network side: a listening TCP socket served by a few worker
// threads, each with its own epoll loop and its own connections (no process
// or thread per connection).
//
// Every worker waits on the shared listening socket (EPOLLEXCLUSIVE, so one
// worker wakes per new connection) and on a stop event. A connection's
// input is cut into lines; each line is handed to its Session and the
// replies of everything read in one go are written with one send() on a
// socket with TCP_NODELAY, so a reply never waits for the client's delayed
// acknowledgement. Limits: lines of at most 1024 bytes (a longer one gets
// 500 and the connection is closed), a number of commands per connection,
// an idle time, a number of open connections (420 for the ones over it),
// and a cap on unsent output (a client that does not read is not read
// either). A client that vanishes, or sends garbage, costs only its own
// connection.
#ifndef LEXORA_DICTD_SERVER_H_
#define LEXORA_DICTD_SERVER_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dictd/database.h"
#include "dictd/session.h"

namespace lexora::dictd {

inline constexpr std::uint16_t kDefaultPort = 2628;
inline constexpr char kDefaultAddress[] = "127.0.0.1";
inline constexpr int kMaxThreads = 16;

struct ServerConfig {
  // A numeric IPv4 or IPv6 address, or "localhost"; no name is looked up.
  std::string address = kDefaultAddress;
  std::uint16_t port = kDefaultPort;  // 0: any free port (see Server::port)
  std::vector<DatabaseConfig> databases;
  // Strategy names to offer, in order; none given: every strategy.
  std::optional<std::vector<std::string>> strategies;
  int threads = 0;  // 0: one per processor, at most kMaxThreads
  Limits limits;
};

class Server {
 public:
  explicit Server(ServerConfig config);
  ~Server();  // stops
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Opens the databases (their matching data keeps building in the
  // background), binds and listens, and starts the workers. False with
  // *error when a database does not open, a name is bad or taken twice, a
  // strategy is unknown, or the address cannot be bound.
  bool start(std::string* error);
  // The port listened on (the one chosen when the config asked for 0).
  std::uint16_t port() const { return port_; }
  // Sends "421" to every connection, closes them and ends the workers; on
  // return nothing runs any more. Any thread may call it, more than once.
  void stop();

  ServerContext& context() { return context_; }
  // Connections open at this moment, over all workers.
  std::size_t open_connections() const { return open_connections_.load(); }

 private:
  bool open_databases(std::string* error);
  bool listen_socket(std::string* error);

  ServerConfig config_;
  ServerContext context_;
  int listen_fd_ = -1;
  int stop_fd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<std::size_t> open_connections_{0};
  std::mutex stop_mutex_;
  std::vector<std::thread> workers_;
};

}  // namespace lexora::dictd

#endif  // LEXORA_DICTD_SERVER_H_
