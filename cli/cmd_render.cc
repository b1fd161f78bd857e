// lexora-cli render DICT INDEX [--font FACE] [--colours FILE.lup|builtin]:
// the whole HTML page of word INDEX as the article view gets it, also for a
// missing article (the error text). With --colours the profile is loaded
// over the built-in colour table ("builtin" loads nothing) and the colours
// are in effect; without it they are not, and the pack's style sheet is used.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <iostream>
#include <memory>
#include <string>

#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "cli/commands.h"
#include "engine/dictionary.h"
#include "model/colour_profile.h"
#include "model/colour_table.h"
#include "platform/utf.h"
#include "render/page.h"

namespace lexora::cli {
namespace {

constexpr const char* kBuiltinColours = "builtin";
constexpr const char* kDefaultFontFace = "Sans";

struct RenderArgs {
  std::string dictionary;
  std::uint32_t index = 0;
  std::string font = kDefaultFontFace;
  std::string colours;
};

int run_render(const RenderArgs& args) {
  PageStyle style;
  style.font_face = utf8_to_utf16(args.font);
  if (!args.colours.empty()) {
    ColourTable table;
    if (args.colours != kBuiltinColours) {
      const ColourProfileResult result = load_colour_profile(args.colours, &table);
      if (result == kProfileCannotOpen) {
        const std::string problem = file_problem(args.colours);
        return report_error("cannot open " + args.colours +
                            (problem.empty() ? std::string() : ": " + problem));
      }
      if (result != kProfileRead) {
        std::cerr << "Warning: " << args.colours
                  << (result == kProfileWrongMagic ? " is not a colour profile"
                                                   : " ends inside its colour block")
                  << "; the built-in colours are used\n";
      }
    }
    style.colours_in_effect = true;
    style.text_colour = table.text();
    style.background_colour = table.background();
    style.heading_colour = table.heading();
    style.link_colour = table.link();
  }

  Dictionary dict;
  if (!open_dictionary_or_report(dict, args.dictionary)) return kExitNotFound;
  PageBuffer buffer;
  std::cout << utf16_to_utf8(render_article_at(dict, args.index, style, buffer));
  std::cout.flush();
  return kExitOk;
}

}  // namespace

void add_render_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd = app.add_subcommand("render", "Print the HTML page of a word's article");
  auto args = std::make_shared<RenderArgs>();
  cmd->add_option("DICT", args->dictionary, "Dictionary file (.zd)")->required();
  cmd->add_option("INDEX", args->index, "Word position")->required();
  cmd->add_option("--font", args->font, "Font face written into the page")
      ->default_str(kDefaultFontFace);
  cmd->add_option("--colours", args->colours,
                  "Colour profile (.lup) to load over the built-in colours, or \"builtin\"; "
                  "puts the colours in effect");
  cmd->callback([args, exit_code] { *exit_code = run_render(*args); });
}

}  // namespace lexora::cli
