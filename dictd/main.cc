// lexora-dictd: serves .zd dictionaries to DICT protocol (RFC 2229) clients.
//
//   lexora-dictd [--config FILE] [--address A] [--port P] [--threads N]
//                [--idle-timeout S] [--max-clients N] [--max-commands N] [DICT.zd ...]
//
// Dictionaries named on the command line are served under their file names
// without the extension, after those of the configuration file. Options on
// the command line override the file. Once listening it prints
// "listening on ADDRESS port PORT" on stdout; SIGTERM or SIGINT close every
// connection (421) and end it with exit code 0. Exit code 1 when it cannot
// start.
#include <signal.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "dictd/config.h"
#include "dictd/server.h"
#include "platform/messages.h"

namespace {

struct Options {
  std::optional<std::string> config;
  std::optional<std::string> address;
  std::optional<std::uint16_t> port;
  std::optional<int> threads;
  std::optional<int> idle_timeout;
  std::optional<std::size_t> max_clients;
  std::optional<std::size_t> max_commands;
  std::vector<std::string> files;
};

void add_options(CLI::App& app, Options* o) {
  app.add_option("DICT", o->files, "Dictionaries (.zd) to serve, named by their file names");
  app.add_option("-c,--config", o->config, "Configuration file");
  app.add_option("-a,--address", o->address, "Address to listen on (default 127.0.0.1)");
  app.add_option("-p,--port", o->port, "TCP port (default 2628; 0 picks a free one)");
  app.add_option("--threads", o->threads, "Worker threads (default: one per processor)")
      ->check(CLI::Range(1, lexora::dictd::kMaxThreads));
  app.add_option("--idle-timeout", o->idle_timeout,
                 "Close connections silent this many seconds (300)")
      ->check(CLI::Range(1, 86400));
  app.add_option("--max-clients", o->max_clients, "Connections at most (256)")
      ->check(CLI::Range(1, 100000));
  app.add_option("--max-commands", o->max_commands, "Commands per connection at most (10000)")
      ->check(CLI::Range(1, 1 << 30));
}

bool make_config(const Options& o, lexora::dictd::ServerConfig* config, std::string* error) {
  if (o.config && !lexora::dictd::read_config_file(*o.config, config, error)) return false;
  if (o.address) config->address = *o.address;
  if (o.port) config->port = *o.port;
  if (o.threads) config->threads = *o.threads;
  if (o.idle_timeout) config->limits.idle_timeout_seconds = *o.idle_timeout;
  if (o.max_clients) config->limits.max_clients = *o.max_clients;
  if (o.max_commands) config->limits.max_commands = *o.max_commands;
  for (const std::string& file : o.files)
    config->databases.push_back(lexora::dictd::database_for_file(file));
  if (config->databases.empty() && !o.config) {
    *error = "no dictionaries given";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"lexora-dictd: serves .zd dictionaries over the DICT protocol (RFC 2229)"};
  Options options;
  add_options(app, &options);
  CLI11_PARSE(app, argc, argv);

  lexora::StderrMessageSink sink;
  lexora::set_message_sink(&sink);
  lexora::dictd::ServerConfig config;
  std::string error;
  if (!make_config(options, &config, &error)) {
    std::fprintf(stderr, "lexora-dictd: %s\n", error.c_str());
    return 1;
  }
  // The workers inherit this mask; the signals are taken here by sigwait.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  lexora::dictd::Server server(config);
  if (!server.start(&error)) {
    std::fprintf(stderr, "lexora-dictd: %s\n", error.c_str());
    return 1;
  }
  std::printf("listening on %s port %u\n", config.address.c_str(),
              static_cast<unsigned>(server.port()));
  std::fflush(stdout);
  int received = 0;
  // SIGHUP has nothing to reload: it is taken and ignored.
  while (sigwait(&signals, &received) == 0 && received == SIGHUP) {
  }
  server.stop();
  return 0;
}
