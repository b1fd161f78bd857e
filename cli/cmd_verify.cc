// lexora-cli verify DICT: checks the dictionary's checksum and prints the
// message the information dialog would show; the exit code is the result
// (0 no errors, 1 wrong checksum, 2 no checksum, 3 unreadable or not opened).
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "engine/dictionary.h"
#include "resources/string_table.h"

namespace lexora::cli {
namespace {

int message_for(ChecksumResult result) {
  switch (result) {
    case kChecksumOk:
      return str::kNoErrors;
    case kChecksumMismatch:
      return str::kWrongCrc;
    case kChecksumAbsent:
      return str::kNoCrcInfo;
    case kChecksumUnreadable:
      break;
  }
  return str::kFileReadingError;
}

}  // namespace

void add_verify_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd = app.add_subcommand("verify", "Check the dictionary file's checksum");
  auto dictionary = std::make_shared<std::string>();
  cmd->add_option("DICT", *dictionary, "Dictionary file (.zd)")->required();
  cmd->callback([dictionary, exit_code] {
    Dictionary dict;
    ChecksumResult result =
        open_dictionary_or_report(dict, *dictionary) ? dict.verify_checksum() : kChecksumUnreadable;
    std::cout << string_text(message_for(result)) << '\n';
    *exit_code = static_cast<int>(result);
  });
}

}  // namespace lexora::cli
