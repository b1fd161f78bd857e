// lexora-cli markup [--no-auto-format]: the HTML fragment for the article
// text read from stdin (UTF-8 in, UTF-8 out, no newline added).
#include <CLI/CLI.hpp>

#include <iostream>
#include <iterator>
#include <memory>
#include <string>

#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "cli/commands.h"
#include "platform/utf.h"
#include "render/markup.h"

namespace lexora::cli {
namespace {

// The most article text read from stdin.
constexpr std::size_t kMaxMarkupInput = std::size_t{64} << 20;

}  // namespace

void add_markup_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd = app.add_subcommand("markup", "Convert article markup read from stdin to HTML");
  auto no_auto_format = std::make_shared<bool>(false);
  cmd->add_flag(
      "--no-auto-format", *no_auto_format,
      "Convert only the explicit tags, as for a dictionary that switches auto-formatting off");
  cmd->callback([no_auto_format, exit_code] {
    // Read in steps up to a cap, so that an endless input (/dev/zero) is
    // refused instead of taking all memory.
    std::string input;
    char step[1 << 16];
    while (std::cin.read(step, sizeof step) || std::cin.gcount() > 0) {
      input.append(step, static_cast<std::size_t>(std::cin.gcount()));
      if (input.size() > kMaxMarkupInput) {
        *exit_code = report_error("the input is larger than 64 MiB");
        return;
      }
    }
    if (std::cin.bad()) {
      *exit_code = report_error("cannot read the input");
      return;
    }
    std::u16string html;
    convert_markup(utf8_to_utf16(input), !*no_auto_format, &html);
    std::cout << utf16_to_utf8(html);
    std::cout.flush();
    *exit_code = kExitOk;
  });
}

}  // namespace lexora::cli
