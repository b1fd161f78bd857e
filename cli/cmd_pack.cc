// lexora-cli pack list DICT: the entries of the dictionary's resource pack in
// index order, one "name<TAB>size<TAB>packed size" line each (names keep their
// "\" separators). lexora-cli pack get DICT NAME: the entry's bytes as they
// unpack, streamed in steps of at most 64 KiB. Both exit 1 (saying why) when
// the dictionary does not open or has no pack; get also when the entry is
// missing or unreadable, or the pack turns out cut short midway (what was
// written before stays written).
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "cli/commands.h"
#include "engine/dictionary.h"
#include "engine/resource_pack.h"
#include "platform/utf.h"

namespace lexora::cli {
namespace {

struct PackArgs {
  std::string dictionary;
  std::string name;
};

int run_list(const PackArgs& args) {
  Dictionary dict;
  if (!open_dictionary_or_report(dict, args.dictionary)) return kExitNotFound;
  if (dict.pack() == nullptr) return report_error(pack_entry_problem(dict, {}));
  const ResourcePack& pack = *dict.pack();
  for (std::size_t i = 0; i < pack.entry_count(); ++i) {
    PackEntryInfo e = pack.entry(i);
    std::cout << utf16_to_utf8(e.name) << '\t' << e.size << '\t' << e.packed_size << '\n';
  }
  return kExitOk;
}

// The entry goes out in steps as it is read or inflated, so that memory
// stays bounded whatever its size; a write that fails stops it.
int run_get(const PackArgs& args) {
  Dictionary dict;
  if (!open_dictionary_or_report(dict, args.dictionary)) return kExitNotFound;
  if (dict.pack() == nullptr) return report_error(pack_entry_problem(dict, args.name));
  bool output_failed = false;
  const bool whole = dict.pack()->stream_entry(
      utf8_to_utf16(args.name), [&output_failed](std::span<const std::uint8_t> piece) {
        std::cout.write(reinterpret_cast<const char*>(piece.data()),
                        static_cast<std::streamsize>(piece.size()));
        output_failed = !std::cout;
        return !output_failed;
      });
  if (output_failed) return kExitNotFound;  // main() says why
  if (!whole) return report_error(pack_entry_problem(dict, args.name));
  return kExitOk;
}

}  // namespace

void add_pack_command(CLI::App& app, int* exit_code) {
  CLI::App* pack = app.add_subcommand("pack", "List or extract the dictionary's resource pack");
  pack->require_subcommand(1);
  auto args = std::make_shared<PackArgs>();

  CLI::App* list = pack->add_subcommand("list", "List the pack's entries in index order");
  list->add_option("DICT", args->dictionary, "Dictionary file (.zd)")->required();
  list->callback([args, exit_code] { *exit_code = run_list(*args); });

  CLI::App* get = pack->add_subcommand("get", "Write an entry's bytes to stdout");
  get->add_option("DICT", args->dictionary, "Dictionary file (.zd)")->required();
  get->add_option("NAME", args->name, "Entry name (\"/\" is taken as \"\\\")")->required();
  get->callback([args, exit_code] { *exit_code = run_get(*args); });
}

}  // namespace lexora::cli
