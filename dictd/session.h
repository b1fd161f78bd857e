// The DICT protocol (RFC 2229) for one connection, without the socket: a
// command line goes in, the whole reply comes out as bytes to write.
//
// Commands: DEFINE, MATCH, SHOW DB/DATABASES, SHOW STRAT/STRATEGIES,
// SHOW INFO, SHOW SERVER, CLIENT, STATUS, HELP, OPTION MIME, QUIT; AUTH and
// SASLAUTH answer 502 (no authentication here). Command names and strategy
// names are case-insensitive, database names are not.
//
// Articles are sent as plain text (render/plain_text.h) under a headword
// line. After OPTION MIME every text block starts with MIME headers; a
// definition becomes multipart/alternative with the plain text and the
// article's HTML page (base64, so no line is too long).
#ifndef LEXORA_DICTD_SESSION_H_
#define LEXORA_DICTD_SESSION_H_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dictd/database.h"
#include "dictd/strategies.h"
#include "render/page.h"

namespace lexora::dictd {

struct Limits {
  std::size_t max_clients = 256;     // more get "420" and are closed
  std::size_t max_commands = 10000;  // per connection, then "420" and closed
  int idle_timeout_seconds = 300;    // a connection silent this long is closed
};

// What every session shares; lives as long as the server.
struct ServerContext {
  std::vector<std::unique_ptr<Database>> databases;
  std::vector<Strategy> strategies;  // offered, in SHOW STRAT order
  std::string hostname;
  std::string version;
  Limits limits;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
  std::atomic<std::uint64_t> connections_total{0};
  std::atomic<std::uint64_t> definitions{0};
  std::atomic<std::uint64_t> matches{0};
  std::atomic<std::uint64_t> commands{0};
  std::atomic<std::uint32_t> message_ids{0};

  Database* find_database(std::string_view name) const;
  bool offers(Strategy strategy) const;
};

class Session {
 public:
  explicit Session(ServerContext* context) : context_(context) {}

  // The 220 banner with the capabilities and a new message id.
  void greet(std::string* out);
  // Handles one command line (line end removed) and appends the whole reply
  // to `out`. False when the connection is to be closed after the reply
  // (QUIT, or the command limit reached).
  bool handle_line(std::string_view line, std::string* out);

 private:
  void define(const std::vector<std::string>& args, std::string* out);
  void match(const std::vector<std::string>& args, std::string* out);
  void show(const std::vector<std::string>& args, std::string* out);
  void show_databases(std::string* out);
  void show_strategies(std::string* out);
  void show_info(const std::string& name, std::string* out);
  void show_server(std::string* out);
  void client(const std::vector<std::string>& args, std::string* out);
  void option(const std::vector<std::string>& args, std::string* out);
  void status(std::string* out);
  void help(std::string* out);
  // Databases named by `spec` ("*", "!" or one name); empty (and 550
  // written) when the name is unknown.
  std::vector<Database*> databases_for(const std::string& spec, std::string* out);
  void append_definition(Database& db, std::uint32_t position, std::string* out);
  // A text block, with the plain-text MIME header after OPTION MIME.
  void text_block(std::string_view text, std::string* out);

  ServerContext* context_;
  bool mime_ = false;
  PageBuffer page_;  // the HTML form of the article, under OPTION MIME
  std::size_t commands_ = 0;
  std::string client_;
};

}  // namespace lexora::dictd

#endif  // LEXORA_DICTD_SESSION_H_
