// lexora-cli: the engine, renderer and compiler for scripts and tests.
// Text on the command line, stdin and stdout is UTF-8; message boxes become
// "Caption: text" lines on stderr.
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "platform/messages.h"

int main(int argc, char** argv) {
  lexora::StderrMessageSink sink;
  lexora::set_message_sink(&sink);

  CLI::App app{"Lexora dictionary tools"};
  app.require_subcommand(1);
  app.fallthrough(false);
  int exit_code = lexora::cli::kExitOk;
  lexora::cli::register_commands(app, &exit_code);
  CLI11_PARSE(app, argc, argv);
  return exit_code;
}
