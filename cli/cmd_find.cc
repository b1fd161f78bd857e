// lexora-cli find DICT TEXT [--ignore-punctuation] [--no-conversion]
// [--two-pass]: one JSON line {"index": I, "exact": ..., "headword": ...}.
// "exact" is null only when the lookup left it unset (an empty dictionary).
// --two-pass is the main window's lookup: first without punctuation
// trimming, then, when that was not exact, again with --ignore-punctuation
// as the user's setting; "exact" is the first pass's flag. With TEXT "-",
// one text per line from stdin, each answered by one JSON line.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "cli/commands.h"
#include "engine/dictionary.h"
#include "engine/two_pass_lookup.h"
#include "platform/utf.h"

namespace lexora::cli {
namespace {

constexpr char kStdinMarker[] = "-";

struct FindArgs {
  std::string dictionary;
  std::string text;
  bool ignore_punctuation = false;
  bool no_conversion = false;
  bool two_pass = false;
};

std::string answer(Dictionary& dict, const FindArgs& args, const std::string& text) {
  const std::u16string wide = utf8_to_utf16(text);
  const LookupOptions options{.ignore_punctuation = args.ignore_punctuation,
                              .allow_conversion = !args.no_conversion};
  bool exact = false;
  const std::uint32_t index = args.two_pass ? two_pass_lookup(dict, wide, &exact, options)
                                            : dict.find_word(wide, &exact, options);
  nlohmann::ordered_json out;
  out["index"] = index;
  // find_word leaves the flag alone only for a dictionary without words.
  out["exact"] =
      dict.word_count() == 0 ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(exact);
  std::optional<std::u16string_view> headword = dict.word_at(index);
  out["headword"] =
      headword ? nlohmann::ordered_json(utf16_to_utf8(*headword)) : nlohmann::ordered_json(nullptr);
  return out.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

int run_find(const FindArgs& args) {
  Dictionary dict;
  if (!open_dictionary_or_report(dict, args.dictionary)) return kExitNotFound;
  if (args.text != kStdinMarker) {
    std::cout << answer(dict, args, args.text) << '\n';
    return kExitOk;
  }
  std::string line;
  bool failed = false;
  while (read_stdin_line(&line, &failed)) {
    // Flushed by read_stdin_line before it waits for more input.
    std::cout << answer(dict, args, line) << '\n';
    if (!std::cout) return kExitNotFound;  // main() says why
  }
  return failed ? kExitNotFound : kExitOk;
}

}  // namespace

void add_find_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd = app.add_subcommand("find", "Look a word up; prints JSON");
  auto args = std::make_shared<FindArgs>();
  cmd->add_option("DICT", args->dictionary, "Dictionary file (.zd)")->required();
  cmd->add_option("TEXT", args->text, "Text to look up, or - to read texts from stdin")->required();
  cmd->add_flag("--ignore-punctuation", args->ignore_punctuation,
                "Trim punctuation around the text (the user's setting with --two-pass)");
  cmd->add_flag("--no-conversion", args->no_conversion, "Do not try the word-conversion plug-in");
  cmd->add_flag("--two-pass", args->two_pass, "The main window's two-pass lookup");
  cmd->callback([args, exit_code] { *exit_code = run_find(*args); });
}

}  // namespace lexora::cli
