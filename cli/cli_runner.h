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

// `args` are already shell-quoted; `input` is fed on stdin. Scratch files go
// into `dir`.
inline CliResult run_cli(const TempDir& dir, const std::string& args,
                         const std::string& input = "") {
  write_file(dir.file("stdin"), input);
  const std::string command = std::string("'") + LEXORA_CLI + "' " + args + " <'" +
                              dir.file("stdin") + "' 2>'" + dir.file("stderr") + "'";
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

}  // namespace lexora::test

#endif  // LEXORA_CLI_CLI_RUNNER_H_
