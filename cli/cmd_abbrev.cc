// lexora-cli abbrev DICT KEY: the expansion of an abbreviation, on one line;
// exit 1 when the dictionary has none for KEY (compared case-sensitively).
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "cli/commands.h"
#include "engine/dictionary.h"
#include "platform/utf.h"

namespace lexora::cli {

void add_abbrev_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd = app.add_subcommand("abbrev", "Print the expansion of an abbreviation");
  auto dictionary = std::make_shared<std::string>();
  auto key = std::make_shared<std::string>();
  cmd->add_option("DICT", *dictionary, "Dictionary file (.zd)")->required();
  cmd->add_option("KEY", *key, "The abbreviation")->required();
  cmd->callback([dictionary, key, exit_code] {
    Dictionary dict;
    if (!open_dictionary_or_report(dict, *dictionary)) {
      *exit_code = kExitNotFound;
      return;
    }
    std::optional<std::u16string_view> expansion = dict.expand_abbreviation(utf8_to_utf16(*key));
    if (!expansion) {
      *exit_code = report_error("no abbreviation \"" + *key + "\" in " + *dictionary);
      return;
    }
    std::cout << utf16_to_utf8(*expansion) << '\n';
    *exit_code = kExitOk;
  });
}

}  // namespace lexora::cli
