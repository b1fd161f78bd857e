// lexora-cli pack list DICT: the entries of the dictionary's resource pack in
// index order, one "name<TAB>size<TAB>packed size" line each (names keep their
// "\" separators). lexora-cli pack get DICT NAME: the entry's bytes as they
// unpack. Both exit 1 when the dictionary does not open or has no pack; get
// also when the entry is missing or unreadable.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

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
  if (!dict.open_dictionary(args.dictionary) || dict.pack() == nullptr) return kExitNotFound;
  const ResourcePack& pack = *dict.pack();
  for (std::size_t i = 0; i < pack.entry_count(); ++i) {
    PackEntryInfo e = pack.entry(i);
    std::cout << utf16_to_utf8(e.name) << '\t' << e.size << '\t' << e.packed_size << '\n';
  }
  return kExitOk;
}

int run_get(const PackArgs& args) {
  Dictionary dict;
  if (!dict.open_dictionary(args.dictionary)) return kExitNotFound;
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;
  const std::uint8_t* data = dict.read_pack_entry(utf8_to_utf16(args.name), &size, &buffer);
  if (data == nullptr) return kExitNotFound;
  std::cout.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  std::cout.flush();
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
