// One worker thread of the server: an epoll loop over the shared listening
// socket, the stop event and the connections this worker accepted.
#ifndef LEXORA_DICTD_WORKER_H_
#define LEXORA_DICTD_WORKER_H_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "dictd/session.h"

namespace lexora::dictd {

class Worker {
 public:
  // `listen_fd` and `stop_fd` stay owned by the server; `open_connections`
  // counts the connections of all workers together.
  Worker(ServerContext* context, int listen_fd, int stop_fd, const std::atomic<bool>* stopping,
         std::atomic<std::size_t>* open_connections);
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Runs until the stop event fires; then says 421 to every connection and
  // closes them.
  void run();

 private:
  using Clock = std::chrono::steady_clock;
  struct Connection {
    explicit Connection(ServerContext* context) : session(context) {}
    int fd = -1;
    std::uint64_t id = 0;
    Session session;
    std::string in;            // bytes read and not yet handled
    std::string out;           // reply bytes not yet written
    std::size_t sent = 0;      // of `out`
    bool closing = false;      // close once `out` is written
    bool peer_done = false;    // the client closed its side
    std::uint32_t events = 0;  // what epoll watches now
    Clock::time_point last_active;
  };

  void accept_connections();
  void on_event(Connection& c, std::uint32_t events);
  // False when the connection failed and was closed.
  bool read_input(Connection& c);
  void handle_lines(Connection& c);
  // False when the connection was closed.
  bool flush(Connection& c);
  void update_interest(Connection& c);
  void close_connection(std::uint64_t id);
  void sweep(Clock::time_point now);
  void say_goodbye();

  ServerContext* context_;
  int listen_fd_;
  int stop_fd_;
  const std::atomic<bool>* stopping_;
  std::atomic<std::size_t>* open_connections_;
  int epoll_fd_ = -1;
  bool listening_ = true;
  Clock::time_point listen_again_;
  std::uint64_t next_id_ = 2;  // 0 and 1 mark the listening socket and the stop event
  std::unordered_map<std::uint64_t, std::unique_ptr<Connection>> connections_;
};

}  // namespace lexora::dictd

#endif  // LEXORA_DICTD_WORKER_H_
