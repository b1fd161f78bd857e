#include "dictd/worker.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "dictd/reply.h"

namespace lexora::dictd {
namespace {

constexpr std::uint64_t kListenId = 0;
constexpr std::uint64_t kStopId = 1;
constexpr int kMaxEvents = 64;
constexpr int kTickMilliseconds = 1000;  // idle connections are checked this often
constexpr std::size_t kReadChunk = 16384;
constexpr std::size_t kMaxBufferedInput = 65536;    // read no more until these lines are handled
constexpr std::size_t kMaxPendingOutput = 1 << 20;  // handle no more lines until this much is sent
constexpr auto kAcceptPause = std::chrono::seconds(1);  // after running out of descriptors

constexpr char kBusyReply[] = "420 server temporarily unavailable, too many connections\r\n";
constexpr char kShutdownReply[] = "421 server shutting down\r\n";

void send_best_effort(int fd, std::string_view text) {
  [[maybe_unused]] const ssize_t ignored =
      ::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

}  // namespace

Worker::Worker(ServerContext* context, int listen_fd, int stop_fd,
               const std::atomic<bool>* stopping, std::atomic<std::size_t>* open_connections)
    : context_(context),
      listen_fd_(listen_fd),
      stop_fd_(stop_fd),
      stopping_(stopping),
      open_connections_(open_connections) {
  epoll_fd_ = ::epoll_create1(EPOLL_CLOEXEC);
  epoll_event ev{};
  ev.events = EPOLLIN | EPOLLEXCLUSIVE;
  ev.data.u64 = kListenId;
  ::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, listen_fd_, &ev);
  ev.events = EPOLLIN;
  ev.data.u64 = kStopId;
  ::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, stop_fd_, &ev);
}

Worker::~Worker() {
  for (auto& [id, c] : connections_) {
    ::close(c->fd);
    --*open_connections_;
  }
  if (epoll_fd_ >= 0) ::close(epoll_fd_);
}

void Worker::run() {
  epoll_event events[kMaxEvents];
  Clock::time_point last_sweep = Clock::now();
  while (!stopping_->load()) {
    const int n = ::epoll_wait(epoll_fd_, events, kMaxEvents, kTickMilliseconds);
    if (n < 0 && errno != EINTR) break;
    for (int i = 0; i < n; ++i) {
      const std::uint64_t id = events[i].data.u64;
      if (id == kStopId) continue;
      if (id == kListenId) {
        accept_connections();
        continue;
      }
      const auto it = connections_.find(id);
      if (it != connections_.end()) on_event(*it->second, events[i].events);
    }
    const Clock::time_point now = Clock::now();
    if (now - last_sweep >= std::chrono::milliseconds(kTickMilliseconds)) {
      sweep(now);
      last_sweep = now;
    }
  }
  say_goodbye();
}

void Worker::accept_connections() {
  while (true) {
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        // Out of descriptors: stop watching the socket for a while rather
        // than wake up for it again at once.
        ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, listen_fd_, nullptr);
        listening_ = false;
        listen_again_ = Clock::now() + kAcceptPause;
      }
      return;
    }
    if (open_connections_->load() >= context_->limits.max_clients) {
      send_best_effort(fd, kBusyReply);
      ::close(fd);
      continue;
    }
    ++*open_connections_;
    ++context_->connections_total;
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    auto c = std::make_unique<Connection>(context_);
    c->fd = fd;
    c->id = next_id_++;
    c->last_active = Clock::now();
    c->session.greet(&c->out);
    Connection& ref = *c;
    connections_.emplace(c->id, std::move(c));
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = ref.id;
    ref.events = EPOLLIN;
    ::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, fd, &ev);
    flush(ref);
  }
}

void Worker::on_event(Connection& c, std::uint32_t events) {
  if ((events & EPOLLERR) != 0) return close_connection(c.id);
  if ((events & (EPOLLIN | EPOLLHUP)) != 0 && !c.closing && !c.peer_done) {
    if (!read_input(c)) return;
  }
  handle_lines(c);
  if (!flush(c)) return;
  // The output has drained: lines held back by the output cap can go now.
  if (c.out.empty() && !c.in.empty() && !c.closing) {
    handle_lines(c);
    flush(c);
  } else if ((events & EPOLLHUP) != 0 && !c.out.empty()) {
    close_connection(c.id);  // nobody is left to read the rest
  }
}

bool Worker::read_input(Connection& c) {
  char buffer[kReadChunk];
  while (c.in.size() < kMaxBufferedInput) {
    const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
    if (n > 0) {
      c.in.append(buffer, static_cast<std::size_t>(n));
      c.last_active = Clock::now();
      continue;
    }
    if (n == 0) {
      c.peer_done = true;
      return true;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
    close_connection(c.id);
    return false;
  }
  return true;
}

void Worker::handle_lines(Connection& c) {
  std::size_t consumed = 0;
  while (!c.closing && c.out.size() - c.sent < kMaxPendingOutput) {
    const std::size_t newline = c.in.find('\n', consumed);
    if (newline == std::string::npos) {
      // No line end within the limit: the line is too long whatever follows.
      const std::size_t pending = c.in.size() - consumed;
      if (pending >= kMaxLineBytes || (c.peer_done && pending > 0)) {
        if (pending >= kMaxLineBytes) {
          append_status(&c.out, kUnknownCommand, "line too long");
          c.closing = true;
        } else if (!c.session.handle_line(std::string_view(c.in).substr(consumed), &c.out)) {
          c.closing = true;
        }
        consumed = c.in.size();
      }
      break;
    }
    std::string_view line = std::string_view(c.in).substr(consumed, newline - consumed);
    consumed = newline + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() + 2 > kMaxLineBytes) {
      append_status(&c.out, kUnknownCommand, "line too long");
      c.closing = true;
      break;
    }
    if (!c.session.handle_line(line, &c.out)) c.closing = true;
  }
  c.in.erase(0, consumed);
  if (c.peer_done && c.in.find('\n') == std::string::npos) c.closing = true;
}

bool Worker::flush(Connection& c) {
  while (c.sent < c.out.size()) {
    const ssize_t n = ::send(c.fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL);
    if (n > 0) {
      c.sent += static_cast<std::size_t>(n);
      c.last_active = Clock::now();
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    close_connection(c.id);  // the client has gone
    return false;
  }
  if (c.sent == c.out.size()) {
    c.out.clear();
    c.sent = 0;
    if (c.closing) {
      close_connection(c.id);
      return false;
    }
  }
  update_interest(c);
  return true;
}

void Worker::update_interest(Connection& c) {
  std::uint32_t wanted = 0;
  if (!c.out.empty()) wanted |= EPOLLOUT;
  // Read on only while the replies are being taken and there is room.
  if (!c.closing && !c.peer_done && c.out.size() - c.sent < kMaxPendingOutput &&
      c.in.size() < kMaxBufferedInput)
    wanted |= EPOLLIN;
  if (wanted == c.events) return;
  epoll_event ev{};
  ev.events = wanted;
  ev.data.u64 = c.id;
  ::epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, c.fd, &ev);
  c.events = wanted;
}

void Worker::close_connection(std::uint64_t id) {
  const auto it = connections_.find(id);
  if (it == connections_.end()) return;
  ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, it->second->fd, nullptr);
  ::close(it->second->fd);
  connections_.erase(it);
  --*open_connections_;
}

void Worker::sweep(Clock::time_point now) {
  if (!listening_ && now >= listen_again_) {
    epoll_event ev{};
    ev.events = EPOLLIN | EPOLLEXCLUSIVE;
    ev.data.u64 = kListenId;
    if (::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, listen_fd_, &ev) == 0) listening_ = true;
  }
  const auto idle = std::chrono::seconds(context_->limits.idle_timeout_seconds);
  std::vector<std::uint64_t> expired;
  for (const auto& [id, c] : connections_)
    if (now - c->last_active >= idle) expired.push_back(id);
  for (std::uint64_t id : expired) close_connection(id);
}

void Worker::say_goodbye() {
  std::vector<std::uint64_t> ids;
  for (const auto& [id, c] : connections_) {
    send_best_effort(c->fd, kShutdownReply);
    ids.push_back(id);
  }
  for (std::uint64_t id : ids) close_connection(id);
}

}  // namespace lexora::dictd
