// lexora-cli import SOURCE (-o OUT.zd | --cached) [--format F] [--locale LCID]
//   [--synonyms copy|link] [--stats]: converts a dictionary of another
// format (dictd, StarDict, DSL, XDXF) into a .zd, with a .zpak beside it when
// the source has media. --stats prints what was read, written, merged and
// skipped as JSON. Errors go to stderr as "import: FILE: line N: ...", with
// exit code 1 and no output file.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/command_list.h"
#include "cli/commands.h"
#include "compiler/dictionary_source.h"
#include "import/import_cache.h"
#include "import/import_dictionary.h"
#include "platform/heap_pages.h"

namespace lexora::cli {
namespace {

struct ImportArgs {
  std::string source;
  std::string output;
  std::string format;
  std::string locale;
  std::string synonyms = "link";
  bool stats = false;
  bool cached = false;
};

int report(const std::string& text) {
  std::cerr << "import: " << text << '\n';
  return kExitNotFound;
}

nlohmann::json stats_json(const import::ImportStats& s) {
  nlohmann::json skipped = nlohmann::json::object();
  for (const auto& [reason, count] : s.skipped) skipped[reason] = count;
  return {{"format", s.format},
          {"title", s.title},
          {"articles_read", s.articles_read},
          {"headwords_read", s.headwords_read},
          {"synonyms_read", s.synonyms_read},
          {"headwords_written", s.headwords_written},
          {"articles_merged", s.articles_merged},
          {"abbreviations", s.abbreviations},
          {"media_files", s.media_files},
          {"words_code_page", s.words_code_page},
          {"articles_code_page", s.articles_code_page},
          {"locale", s.locale_id},
          {"dictionary_bytes", s.dictionary_bytes},
          {"pack_bytes", s.pack_bytes},
          {"skipped", skipped}};
}

int run_import(const ImportArgs& args) {
  // This process does nothing else: its heap may as well be grown for the
  // import's tables (no memory is used until they fill it).
  advise_huge_heap_pages(import::kImportHeapReserve);
  import::ImportOptions options;
  if (!args.format.empty()) {
    options.format = import::format_of_name(args.format);
    if (options.format == import::SourceFormat::kUnknown)
      return report("unknown --format \"" + args.format + "\" (dictd, stardict, dsl, xdxf)");
  }
  if (!args.locale.empty()) {
    std::optional<std::uint32_t> locale = compiler::parse_number(args.locale);
    if (!locale || *locale == 0) return report("--locale needs a locale id such as 0x0409");
    options.conversion.default_locale_id = *locale;
  }
  if (args.synonyms != "copy" && args.synonyms != "link")
    return report("--synonyms is copy or link, not \"" + args.synonyms + "\"");
  options.conversion.synonyms =
      args.synonyms == "link" ? import::SynonymMode::kLink : import::SynonymMode::kCopy;
  import::ImportStats stats;
  import::ImportError error;
  if (args.cached) {
    std::string path;
    bool converted = false;
    if (!import::cached_import(args.source, import::import_cache_folder(), options, &path,
                               &converted, &stats, &error))
      return report(import::describe(error));
    std::cout << path << '\n';
    if (args.stats && converted) std::cout << stats_json(stats).dump(2) << '\n';
    return kExitOk;
  }
  if (args.output.empty()) return report("-o OUT.zd is needed (or --cached)");
  if (!import::import_dictionary(args.source, args.output, options, &stats, &error))
    return report(import::describe(error));
  if (args.stats) std::cout << stats_json(stats).dump(2) << '\n';
  return kExitOk;
}

}  // namespace

void add_import_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd = app.add_subcommand(
      "import", "Convert a dictd, StarDict, DSL or XDXF dictionary into a .zd file");
  auto args = std::make_shared<ImportArgs>();
  cmd->add_option("SOURCE", args->source, "The .index, .ifo, .dsl[.dz] or .xdxf file")->required();
  cmd->add_option("-o,--output", args->output, "The .zd file to write");
  cmd->add_flag("--cached", args->cached,
                "Convert into the cache folder as the program does (unless already there) "
                "and print the converted file's path");
  cmd->add_option("--format", args->format, "dictd, stardict, dsl or xdxf (default: detected)");
  cmd->add_option("--locale", args->locale,
                  "Locale id (LCID) when the source names no language (default 0x0409)");
  cmd->add_option("--synonyms", args->synonyms,
                  "link: synonyms and other alternative headwords show a link to the article "
                  "(default); copy: they show the article itself");
  cmd->add_flag("--stats", args->stats, "Print what was read, written and skipped as JSON");
  cmd->callback([args, exit_code] { *exit_code = run_import(*args); });
}

}  // namespace lexora::cli
