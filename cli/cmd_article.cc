// lexora-cli article DICT INDEX: the article text exactly as stored (UTF-8,
// no newline added); exit 1 when there is none. With INDEX "-", one index per
// line from stdin, each answered by a JSON line {"index": I, "article": ...}
// with null for a missing article (or an index that is not a number).
#include <CLI/CLI.hpp>

#include <charconv>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "cli/commands.h"
#include "engine/dictionary.h"
#include "platform/utf.h"

namespace lexora::cli {
namespace {

constexpr char kStdinMarker[] = "-";

std::optional<std::uint32_t> parse_index(std::string_view text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.remove_suffix(1);
  std::uint32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

struct ArticleArgs {
  std::string dictionary;
  std::string index;
};

int run_article(const ArticleArgs& args) {
  Dictionary dict;
  if (!open_dictionary_or_report(dict, args.dictionary)) return kExitNotFound;
  if (args.index != kStdinMarker) {
    std::optional<std::uint32_t> index = parse_index(args.index);
    if (!index) return report_error("not a headword position: " + args.index);
    std::optional<std::u16string_view> text = dict.article_at(*index);
    if (!text) {
      return report_error("no article at position " + std::to_string(*index) + " in " +
                          args.dictionary);
    }
    std::cout << utf16_to_utf8(*text);
    std::cout.flush();
    return kExitOk;
  }
  std::string line;
  using Json = nlohmann::ordered_json;
  bool failed = false;
  while (read_stdin_line(&line, &failed)) {
    Json answer;
    std::optional<std::uint32_t> index = parse_index(line);
    answer["index"] = index ? Json(*index) : Json(nullptr);
    std::optional<std::u16string_view> text;
    if (index) text = dict.article_at(*index);
    answer["article"] = text ? Json(utf16_to_utf8(*text)) : Json(nullptr);
    // Flushed by read_stdin_line before it waits for more input.
    std::cout << answer.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    if (!std::cout) return kExitNotFound;  // main() says why
  }
  return failed ? kExitNotFound : kExitOk;
}

}  // namespace

void add_article_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd = app.add_subcommand("article", "Print the article of a headword position");
  auto args = std::make_shared<ArticleArgs>();
  cmd->add_option("DICT", args->dictionary, "Dictionary file (.zd)")->required();
  cmd->add_option("INDEX", args->index, "Headword position, or - to read positions from stdin")
      ->required();
  cmd->callback([args, exit_code] { *exit_code = run_article(*args); });
}

}  // namespace lexora::cli
