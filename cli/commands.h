// lexora-cli subcommands. Each command file adds its subcommand to the app;
// the subcommand's callback stores the process exit code in *exit_code.
#ifndef LEXORA_CLI_COMMANDS_H_
#define LEXORA_CLI_COMMANDS_H_

namespace CLI {
class App;
}

namespace lexora::cli {

// Exit codes of the command-line contract.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotFound = 1;  // the thing asked for does not exist, or no file

// Adds every subcommand (one call per command file, in commands.cc).
void register_commands(CLI::App& app, int* exit_code);

}  // namespace lexora::cli

#endif  // LEXORA_CLI_COMMANDS_H_
