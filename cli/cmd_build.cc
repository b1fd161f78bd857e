// lexora-cli build SOURCE -o OUT.zd [options]: the dictionary compiler. The
// source format is described in compiler/README.md; options given here
// override those the source sets. Errors go to stderr as "build: ...", with
// exit code 1 and nothing written.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_list.h"
#include "cli/commands.h"
#include "compiler/dictionary_source.h"
#include "compiler/dictionary_writer.h"
#include "compiler/pack_writer.h"
#include "engine/dictionary_header.h"
#include "engine/resource_pack.h"

namespace lexora::cli {
namespace {

struct BuildArgs {
  std::string source;
  std::string output;
  // Header overrides, as text so that numbers may be hexadecimal.
  std::string version;
  std::string words_code_page;
  std::string articles_code_page;
  std::string locale;
  std::string articles_per_block;
  std::string flags;
  bool locale_collation = false;
  bool checksum = false;
  bool no_auto_format = false;
  bool no_sort = false;
  // A folder whose files become the ".zpak" pack beside the output.
  std::string pack_folder;
  std::string pack_version;
};

int report(const std::string& text) {
  std::cerr << "build: " << text << '\n';
  return kExitNotFound;
}

// Applies one numeric override; false (reported) when it is not a number.
bool override_number(const std::string& text, const char* name, std::uint32_t* field) {
  if (text.empty()) return true;
  std::optional<std::uint32_t> value = compiler::parse_number(text);
  if (!value) {
    report(std::string("--") + name + " needs a number, not \"" + text + "\"");
    return false;
  }
  *field = *value;
  return true;
}

int run_build(const BuildArgs& args) {
  compiler::DictionarySource source;
  compiler::DictionaryOptions options;
  compiler::SourceSettings settings;
  std::string error;
  if (!compiler::read_dictionary_source(args.source, &source, &options, &error, &settings))
    return report(error);

  std::uint32_t version = static_cast<std::uint16_t>(options.version);
  if (!override_number(args.version, "version", &version) ||
      !override_number(args.words_code_page, "words-code-page", &options.words_code_page) ||
      !override_number(args.articles_code_page, "articles-code-page",
                       &options.articles_code_page) ||
      !override_number(args.locale, "locale", &options.locale_id) ||
      !override_number(args.articles_per_block, "articles-per-block", &options.articles_per_block))
    return kExitNotFound;
  // The readers open versions 2 to 5 only: a file of any other is no use.
  if (version < static_cast<std::uint32_t>(kMinVersion) ||
      version > static_cast<std::uint32_t>(kMaxVersion)) {
    return report("version " + std::to_string(version) + " is not one of 2 to 5");
  }
  options.version = static_cast<std::int16_t>(version);
  if (!args.articles_per_block.empty() && options.articles_per_block == 0) {
    return report("--articles-per-block must be at least 1");
  }
  if (!args.flags.empty()) {
    std::optional<std::uint32_t> flags = compiler::parse_flags(args.flags);
    if (!flags) return report("unknown flags \"" + args.flags + "\"");
    options.flags = *flags;
  }
  if (args.locale_collation) options.flags |= FLAG_LOCALE_COLLATION;
  if (args.checksum) options.flags |= FLAG_HAS_CHECKSUM;
  if (args.no_auto_format) options.flags |= FLAG_NO_AUTO_FORMAT;
  if (args.no_sort) options.sort = false;
  if (settings.article_entities) {
    const bool old_layout = options.version == 2 || options.version == 3;
    compiler::escape_unmappable_articles(
        &source, old_layout ? kDefaultCodePage : options.articles_code_page);
  }

  // The pack is made first, so that a bad pack folder writes nothing at all.
  std::vector<std::uint8_t> pack;
  std::string pack_path;
  if (!args.pack_folder.empty()) {
    std::uint32_t pack_version = 2;
    if (!override_number(args.pack_version, "pack-version", &pack_version)) return kExitNotFound;
    if (pack_version > 0x7FFF) return report("--pack-version out of range");
    pack_path = pack_path_for(args.output);
    if (pack_path.empty()) return report("the output name needs a \".\" for the pack beside it");
    compiler::PackOptions pack_options;
    pack_options.version = static_cast<std::int16_t>(pack_version);
    pack = compiler::build_pack_from_folder(args.pack_folder, pack_options, &error);
    if (pack.empty()) return report(error);
  }

  if (!compiler::write_dictionary_file(args.output, source, options, &error)) return report(error);
  if (!pack.empty() && !compiler::write_bytes_file(pack_path, pack, &error)) return report(error);

  return kExitOk;
}

}  // namespace

void add_build_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd = app.add_subcommand("build", "Compile a dictionary source into a .zd file");
  auto args = std::make_shared<BuildArgs>();
  cmd->add_option("SOURCE", args->source, "Dictionary source (UTF-8 text)")->required();
  cmd->add_option("-o,--output", args->output, "The .zd file to write")->required();
  cmd->add_option("--version", args->version, "Format version 2 to 5");
  cmd->add_option("--words-code-page", args->words_code_page, "Code page of the headwords");
  cmd->add_option("--articles-code-page", args->articles_code_page,
                  "Code page of the articles and abbreviations");
  cmd->add_option("--locale", args->locale, "Locale id (LCID), e.g. 0x0409");
  cmd->add_option("--articles-per-block", args->articles_per_block, "Articles in each block");
  cmd->add_option("--flags", args->flags,
                  "Header flags: a number or locale_collation,checksum,no_auto_format");
  cmd->add_flag("--locale-collation", args->locale_collation, "Sort and look up by the locale");
  cmd->add_flag("--checksum", args->checksum, "Append the checksum trailer");
  cmd->add_flag("--no-auto-format", args->no_auto_format, "Switch article auto-formatting off");
  cmd->add_flag("--no-sort", args->no_sort, "Keep the entries in the order written");
  cmd->add_option("--pack", args->pack_folder,
                  "Folder whose files make the .zpak resource pack beside the output");
  cmd->add_option("--pack-version", args->pack_version, "Pack format version 0 to 2 (default 2)");
  cmd->callback([args, exit_code] { *exit_code = run_build(*args); });
}

}  // namespace lexora::cli
