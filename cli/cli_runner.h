// Runs lexora-cli as a program for the command-line tests: its stdout, its
// stderr and its exit code. LEXORA_CLI is the program's path, defined by the
// test target.
#ifndef LEXORA_CLI_CLI_RUNNER_H_
#define LEXORA_CLI_CLI_RUNNER_H_

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "testing/test_files.h"

namespace lexora::test {

struct CliResult {
  int exit_code = -1;  // -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// How a run is wired: stdin from `stdin_path`, stdout to `stdout_path` (a
// file) when not empty, else captured; `timeout_seconds` > 0 kills the
// program after that long (exit code 124).
struct CliWiring {
  std::string stdin_path = "/dev/null";
  std::string stdout_path;
  int timeout_seconds = 0;
};

// `args` are already shell-quoted. stderr goes through a scratch file in `dir`.
inline CliResult run_cli_wired(const TempDir& dir, const std::string& args,
                               const CliWiring& wiring) {
  const std::string limit =
      wiring.timeout_seconds > 0 ? "timeout " + std::to_string(wiring.timeout_seconds) + " " : "";
  const std::string command = limit + "'" + LEXORA_CLI + "' " + args + " <'" + wiring.stdin_path +
                              "' 2>'" + dir.file("stderr") + "'" +
                              (wiring.stdout_path.empty() ? "" : " >'" + wiring.stdout_path + "'");
  CliResult r;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
  const int status = ::pclose(pipe);
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const auto err = read_file(dir.file("stderr"));
  r.err.assign(err.begin(), err.end());
  return r;
}

// `args` are already shell-quoted; `input` is fed on stdin. Scratch files go
// into `dir`.
inline CliResult run_cli(const TempDir& dir, const std::string& args,
                         const std::string& input = "") {
  write_file(dir.file("stdin"), input);
  return run_cli_wired(dir, args, {dir.file("stdin"), "", 0});
}

}  // namespace lexora::test

#endif  // LEXORA_CLI_CLI_RUNNER_H_
