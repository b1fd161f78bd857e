// lexora-cli markup [--no-auto-format]: the HTML fragment for the article
// text read from stdin (UTF-8 in, UTF-8 out, no newline added).
#include <CLI/CLI.hpp>

#include <iostream>
#include <iterator>
#include <memory>
#include <string>

#include "cli/command_list.h"
#include "cli/commands.h"
#include "platform/utf.h"
#include "render/markup.h"

namespace lexora::cli {

void add_markup_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd = app.add_subcommand("markup", "Convert article markup read from stdin to HTML");
  auto no_auto_format = std::make_shared<bool>(false);
  cmd->add_flag("--no-auto-format", *no_auto_format,
                "Convert only the explicit tags, as for a dictionary that switches auto-formatting off");
  cmd->callback([no_auto_format, exit_code] {
    const std::string input((std::istreambuf_iterator<char>(std::cin)),
                            std::istreambuf_iterator<char>());
    std::u16string html;
    convert_markup(utf8_to_utf16(input), !*no_auto_format, &html);
    std::cout << utf16_to_utf8(html);
    std::cout.flush();
    *exit_code = kExitOk;
  });
}

}  // namespace lexora::cli
