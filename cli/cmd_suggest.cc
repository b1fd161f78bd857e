// lexora-cli suggest DICT WORD [--distance 1|2] [--max N]: the headwords
// whose folded form (case ignored, punctuation at the ends trimmed) lies
// within the edit distance of WORD, nearest first and in word-list order
// within one distance. One JSON line per headword:
// {"index": I, "headword": "...", "distance": D}. Exit 1 (nothing printed)
// when the file does not open or nothing is near enough.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "cli/commands.h"
#include "engine/dictionary.h"
#include "engine/fuzzy_index.h"
#include "platform/utf.h"

namespace lexora::cli {
namespace {

constexpr int kDefaultDistance = 1;
constexpr std::size_t kDefaultMax = 20;

struct SuggestArgs {
  std::string dictionary;
  std::string word;
  int distance = kDefaultDistance;
  std::size_t max = kDefaultMax;
};

int run_suggest(const SuggestArgs& args) {
  Dictionary dict;
  dict.set_status_listener(report_status);
  if (!dict.open_dictionary(args.dictionary)) return kExitNotFound;
  const FuzzyIndex index = FuzzyIndex::build(dict);
  const std::vector<FuzzyMatch> found =
      index.suggest(utf8_to_utf16(args.word), args.distance, args.max);
  if (found.empty()) return kExitNotFound;
  std::string out;
  for (const FuzzyMatch& m : found) {
    nlohmann::ordered_json line;
    line["index"] = m.index;
    const std::optional<std::u16string_view> headword = dict.word_at(m.index);
    line["headword"] = headword ? nlohmann::ordered_json(utf16_to_utf8(*headword))
                                : nlohmann::ordered_json(nullptr);
    line["distance"] = m.distance;
    out += line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    out += '\n';
  }
  std::cout << out;
  std::cout.flush();
  return kExitOk;
}

}  // namespace

void add_suggest_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd =
      app.add_subcommand("suggest", "Headwords within an edit distance of a word; JSON lines");
  auto args = std::make_shared<SuggestArgs>();
  cmd->add_option("DICT", args->dictionary, "Dictionary file (.zd)")->required();
  cmd->add_option("WORD", args->word, "The word")->required();
  cmd->add_option("--distance", args->distance, "Largest edit distance, 1 or 2 (default 1)")
      ->check(CLI::Range(1, kMaxFuzzyDistance));
  cmd->add_option("--max", args->max, "At most this many headwords (default 20)");
  cmd->callback([args, exit_code] { *exit_code = run_suggest(*args); });
}

}  // namespace lexora::cli
