// lexora-cli words DICT [--from I] [--count N]: headwords from position I,
// N of them (default: to the end), one per line in UTF-8. A headword in a
// code page that cannot be read gives an empty line. Exit 1 when the file
// does not open.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "cli/commands.h"
#include "engine/dictionary.h"
#include "platform/utf.h"

namespace lexora::cli {
namespace {

struct WordsArgs {
  std::string dictionary;
  std::uint32_t from = 0;
  std::optional<std::uint32_t> count;
};

int run_words(const WordsArgs& args) {
  Dictionary dict;
  if (!open_dictionary_or_report(dict, args.dictionary)) return kExitNotFound;
  const std::uint32_t total = dict.word_count();
  const std::uint32_t from = std::min(args.from, total);
  const std::uint32_t end = args.count ? from + std::min(*args.count, total - from) : total;
  std::string out;
  for (std::uint32_t i = from; i < end; ++i) {
    if (std::optional<std::u16string_view> word = dict.word_at(i)) out += utf16_to_utf8(*word);
    out += '\n';
    if (out.size() >= 1 << 16) {
      std::cout << out;
      out.clear();
      if (!std::cout) return kExitNotFound;  // main() says why
    }
  }
  std::cout << out;
  std::cout.flush();
  return kExitOk;
}

}  // namespace

void add_words_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd = app.add_subcommand("words", "Print headwords, one per line");
  auto args = std::make_shared<WordsArgs>();
  cmd->add_option("DICT", args->dictionary, "Dictionary file (.zd)")->required();
  cmd->add_option("--from", args->from, "First position (default 0)");
  cmd->add_option("--count", args->count, "How many (default: all)");
  cmd->callback([args, exit_code] { *exit_code = run_words(*args); });
}

}  // namespace lexora::cli
