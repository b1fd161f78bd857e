// lexora-cli settings [--file FILE] [--dictionary NAME]
//   prints the settings the program would use, as one JSON line: every
//   global value by its registry name (numbers, flags as booleans, texts),
//   the recent files oldest first, and the settings file. With --dictionary
//   (a dictionary file name or path) it prints that dictionary's values.
//   "MainFont" and "MainFont Size" not stored show the font used without a
//   display (the generic sans-serif face at 13 pixels).
// lexora-cli settings set NAME VALUE [--file FILE] [--dictionary NAME]
//   writes one value in its stored form (a number, a flag 0/1/true/false, or
//   a text) and nothing else. A value that begins with "-" follows "--".
//   Exit 1 for an unknown name or when the file cannot be written.
#include <CLI/CLI.hpp>

#include <charconv>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/command_list.h"
#include "cli/commands.h"
#include "model/recent_files.h"
#include "model/settings.h"
#include "platform/messages.h"
#include "platform/qt/registry.h"
#include "platform/utf.h"
#include "resources/string_table.h"

namespace lexora::cli {
namespace {

struct SettingsOptions {
  std::string file;
  std::string dictionary;
  std::string name;
  std::string value;
};

std::string registry_file(const SettingsOptions& options) {
  return options.file.empty() ? Registry::default_file_path() : options.file;
}

int report_failure(const Registry& registry) {
  const std::string reason = registry.last_error().empty() ? "cannot write " + registry.file_path()
                                                           : registry.last_error();
  show_message_text(reason, str::kError, MessageIcon::kError);
  return kExitNotFound;
}

void put_value(nlohmann::ordered_json& out, const SettingField& field, const Settings& settings) {
  std::visit([&](auto member) { out[std::string(field.name)] = settings.*member; }, field.member);
}

int run_print(const SettingsOptions& options) {
  Registry registry(registry_file(options));
  Settings settings;
  nlohmann::ordered_json out;
  out["file"] = registry.file_path();
  if (!options.dictionary.empty()) {
    const std::string key = file_name_part(options.dictionary);
    read_dictionary_values(registry, settings, key);
    out["dictionary"] = key;
    for (const SettingField& field : dictionary_setting_fields()) put_value(out, field, settings);
  } else {
    RecentFiles recent;
    load_settings(registry, settings, recent);
    for (const SettingField& field : global_setting_fields()) put_value(out, field, settings);
    out["recent_files"] = recent.paths();
  }
  // A settings file that is there but cannot be read is an error, not a
  // fresh start.
  if (!registry.last_error().empty()) return report_failure(registry);
  std::cout << out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  return kExitOk;
}

std::optional<std::int32_t> parse_number(const std::string& text) {
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return value;
}

std::optional<bool> parse_flag(const std::string& text) {
  if (text == "1" || text == "true") return true;
  if (text == "0" || text == "false") return false;
  return std::nullopt;
}

int run_set(const SettingsOptions& options) {
  const bool per_dictionary = !options.dictionary.empty();
  const auto fields = per_dictionary ? dictionary_setting_fields() : global_setting_fields();
  const SettingField* field = nullptr;
  for (const SettingField& f : fields) {
    if (f.name == options.name) field = &f;
  }
  if (field == nullptr) {
    std::cerr << "Unknown " << (per_dictionary ? "dictionary " : "") << "setting: " << options.name
              << '\n';
    return kExitNotFound;
  }

  Registry registry(registry_file(options));
  RegistryKey key = registry.create_key(per_dictionary ? file_name_part(options.dictionary) : "");
  bool written = false;
  switch (field->form) {
    case SettingForm::kNumber: {
      const auto number = parse_number(options.value);
      if (!number) throw CLI::ValidationError("VALUE", "not a 32-bit integer: " + options.value);
      written = key.write_number(field->name, *number);
      break;
    }
    case SettingForm::kFlag: {
      const auto flag = parse_flag(options.value);
      if (!flag) throw CLI::ValidationError("VALUE", "not 0, 1, true or false: " + options.value);
      written = key.write_flag(field->name, *flag);
      break;
    }
    case SettingForm::kText:
      written = key.write_text(field->name, utf8_to_utf16(options.value));
      break;
  }
  if (!key.close() || !written) return report_failure(registry);
  return kExitOk;
}

}  // namespace

void add_settings_command(CLI::App& app, int* exit_code) {
  auto options = std::make_shared<SettingsOptions>();
  CLI::App* cmd = app.add_subcommand("settings", "Print the settings as JSON, or set one");
  cmd->add_option("--file", options->file, "Settings file (default: the program's own)");
  cmd->add_option("--dictionary", options->dictionary,
                  "A dictionary's values (its file name or path) instead of the global ones");
  cmd->require_subcommand(0, 1);

  CLI::App* set = cmd->add_subcommand("set", "Write one value: NAME VALUE");
  set->fallthrough(true);  // --file and --dictionary may follow "set"
  set->add_option("NAME", options->name, "Registry value name, e.g. \"Text size\"")->required();
  set->add_option("VALUE", options->value, "Number, flag (0/1/true/false) or text")->required();

  cmd->callback([options, set, exit_code] {
    *exit_code = set->parsed() ? run_set(*options) : run_print(*options);
  });
}

}  // namespace lexora::cli
