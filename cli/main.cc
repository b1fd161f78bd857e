// lexora-cli: the engine, renderer and compiler for scripts and tests.
// Text on the command line, stdin and stdout is UTF-8; message boxes become
// "Caption: text" lines on stderr.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/cli_errors.h"
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
  // Output that could not be written is a failure, whatever the command
  // thought: a full disk or a closed pipe must not look like success.
  if (!lexora::cli::output_written()) return lexora::cli::kExitNotFound;
  if (std::fclose(stdout) != 0) {
    return lexora::cli::report_error(std::string("cannot write the output: ") +
                                     std::strerror(errno));
  }
  return exit_code;
}
