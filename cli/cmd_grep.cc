// lexora-cli grep DICT QUERY [--regex] [--max N]: the articles whose visible
// text matches QUERY (words, a "quoted phrase", or with --regex an ICU
// regular expression), one JSON line {"index", "headword", "snippet"} each,
// in headword order, every line flushed as soon as it is found. Exit 0 when
// something matched, 1 when nothing did or the file does not open, 2 for a
// query with nothing to look for or an expression that does not compile
// (the reason on stderr). Damaged blocks are skipped and reported on stderr
// as the integrity error.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "cli/commands.h"
#include "engine/article_search.h"
#include "engine/dictionary.h"
#include "platform/messages.h"
#include "platform/utf.h"
#include "resources/string_table.h"

namespace lexora::cli {
namespace {

constexpr int kExitBadQuery = 2;

struct GrepArgs {
  std::string dictionary;
  std::string query;
  bool regex = false;
  std::uint64_t max = 0;
};

int run_grep(const GrepArgs& args) {
  Dictionary dict;
  dict.set_status_listener(report_status);
  if (!dict.open_dictionary(args.dictionary)) return kExitNotFound;
  std::string error;
  const std::unique_ptr<SearchQuery> query =
      SearchQuery::compile(utf8_to_utf16(args.query), args.regex, dict.header().locale_id, &error);
  if (!query) {
    std::cerr << "lexora-cli grep: " << error << '\n';
    return kExitBadQuery;
  }
  using Json = nlohmann::ordered_json;
  SearchOptions options;
  options.max_results = args.max;
  const SearchSummary summary = search_articles(
      dict, *query, options,
      [](const SearchHit& hit) {
        Json line;
        line["index"] = hit.index;
        line["headword"] = utf16_to_utf8(hit.headword);
        line["snippet"] = utf16_to_utf8(hit.match.snippet);
        std::cout << line.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
        std::cout.flush();
        return static_cast<bool>(std::cout);
      },
      nullptr, nullptr);
  if (summary.unreadable || summary.damaged_blocks != 0)
    show_message(str::kIntegrityError, str::kError, MessageIcon::kError);
  return summary.hits != 0 ? kExitOk : kExitNotFound;
}

}  // namespace

void add_grep_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd = app.add_subcommand("grep", "Search the text of every article; prints JSON lines");
  auto args = std::make_shared<GrepArgs>();
  cmd->add_option("DICT", args->dictionary, "Dictionary file (.zd)")->required();
  cmd->add_option("QUERY", args->query,
                  "Words (all must occur), a \"quoted phrase\", or with --regex an expression")
      ->required();
  cmd->add_flag("--regex", args->regex, "QUERY is an ICU regular expression (case ignored)");
  cmd->add_option("--max", args->max, "Stop after N results (0: all)");
  cmd->callback([args, exit_code] { *exit_code = run_grep(*args); });
}

}  // namespace lexora::cli
