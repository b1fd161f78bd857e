// lexora-cli info DICT: the header of a dictionary as one JSON line, with the
// collation mode and the resource pack (null when there is none). Exit 1 when
// the file does not open.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "cli/commands.h"
#include "engine/dictionary.h"
#include "engine/resource_pack.h"

namespace lexora::cli {
namespace {

int run_info(const std::string& path) {
  Dictionary dict;
  if (!open_dictionary_or_report(dict, path)) return kExitNotFound;
  const DictionaryHeader& h = dict.header();
  nlohmann::ordered_json info;
  info["version"] = h.version;
  info["word_count"] = h.word_count;
  info["words_size"] = h.words_size;
  info["words_packed_size"] = h.words_packed_size;
  info["articles_per_block"] = h.articles_per_block;
  info["block_count"] = h.block_count;
  info["abbrev_count"] = h.abbrev_count;
  info["abbrevs_size"] = h.abbrevs_size;
  info["abbrevs_packed_size"] = h.abbrevs_packed_size;
  info["flags"] = h.flags;
  info["words_code_page"] = h.words_code_page;
  info["articles_code_page"] = h.articles_code_page;
  info["locale_id"] = h.locale_id;
  info["use_locale"] = dict.use_locale();
  if (const ResourcePack* pack = dict.pack()) {
    info["pack"] = {{"version", pack->version()}, {"entries", pack->entry_count()}};
  } else {
    info["pack"] = nullptr;
  }
  std::cout << info.dump() << '\n';
  return kExitOk;
}

}  // namespace

void add_info_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd = app.add_subcommand("info", "Print a dictionary's header as JSON");
  auto path = std::make_shared<std::string>();
  cmd->add_option("DICT", *path, "Dictionary file (.zd)")->required();
  cmd->callback([path, exit_code] { *exit_code = run_info(*path); });
}

}  // namespace lexora::cli
