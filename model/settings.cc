#include "model/settings.h"

#include <QStandardPaths>
#include <QString>

#include <array>
#include <climits>
#include <optional>

#include "cardbank/cardbank.h"
#include "model/recent_files.h"
#include "platform/messages.h"
#include "platform/qt/registry.h"
#include "platform/utf.h"
#include "resources/string_table.h"

namespace lexora {

namespace {

// The program's own key: the registry's root.
constexpr std::string_view kProgramKey = "";

constexpr std::string_view kFontRes = "FontRes";
constexpr std::string_view kMainFont = "MainFont";
constexpr std::string_view kMainFontSize = "MainFont Size";
constexpr std::string_view kMrDictPath = "g_mr_dict_path";
constexpr std::string_view kNRecentFiles = "N recent files";
constexpr std::string_view kSmartFind = "smart_find";

constexpr std::int32_t kFallbackFontPixels = 13;

const std::array<SettingField, 14> kGlobalFields = {{
    {"Text size", SettingForm::kNumber, &Settings::text_size},
    {kNRecentFiles, SettingForm::kNumber, &Settings::n_recent_files},
    {"Arrow redefine", SettingForm::kNumber, &Settings::arrow_redefine},
    {"find_cb", SettingForm::kNumber, &Settings::find_cb},
    {"g_use_lumira_profile", SettingForm::kFlag, &Settings::g_use_lumira_profile},
    {"g_use_colors_profile", SettingForm::kFlag, &Settings::g_use_colors_profile},
    {"g_html_integral_paging", SettingForm::kFlag, &Settings::g_html_integral_paging},
    {"g_allow_mult_dict", SettingForm::kFlag, &Settings::g_allow_mult_dict},
    {"g_show_only_card", SettingForm::kFlag, &Settings::g_show_only_card},
    {kMainFont, SettingForm::kText, &Settings::main_font},
    {kMainFontSize, SettingForm::kNumber, &Settings::main_font_size},
    {kFontRes, SettingForm::kText, &Settings::font_res},
    {kMrDictPath, SettingForm::kText, &Settings::g_mr_dict_path},
    {"g_smart_menu", SettingForm::kFlag, &Settings::g_smart_menu},
}};

// load_settings reads in this order (positions in kGlobalFields).
constexpr std::array<std::size_t, 14> kLoadOrder = {0, 2, 1, 3, 7, 4, 5, 6, 8, 13, 9, 12, 10, 11};

const std::array<SettingField, 3> kDictionaryFields = {{
    {kSmartFind, SettingForm::kNumber, &Settings::smart_find},
    {"last_word", SettingForm::kNumber, &Settings::last_word},
    {"last_word_id", SettingForm::kNumber, &Settings::last_word_id},
}};

// Reads one value into `settings`; when it cannot be read, `fallback` holds
// the default to take (texts without a default keep their current value).
void read_field(const RegistryKey& key, const SettingField& field, Settings& settings,
                const Settings& fallback) {
  std::visit(
      [&](auto member) {
        using Value = std::remove_reference_t<decltype(settings.*member)>;
        if constexpr (std::is_same_v<Value, std::int32_t>) {
          settings.*member = key.read_number(field.name).value_or(fallback.*member);
        } else if constexpr (std::is_same_v<Value, bool>) {
          settings.*member = key.read_flag(field.name).value_or(fallback.*member);
        } else {
          const auto text = key.read_text(field.name);
          if (text) {
            settings.*member = utf16_to_utf8(*text);
          } else if (field.name != kFontRes) {
            settings.*member = fallback.*member;
          }
        }
      },
      field.member);
}

// Closes the session's key and tells the user when the save failed.
bool finish_save(Registry& registry, RegistryKey& key, bool written) {
  const bool closed = key.close();
  if (closed && written) return true;
  std::string reason = registry.last_error();
  if (reason.empty()) reason = "cannot write " + registry.file_path();
  show_message_text(reason, str::kError, MessageIcon::kError);
  return false;
}

bool write_field(RegistryKey& key, const SettingField& field, const Settings& settings) {
  return std::visit(
      [&](auto member) {
        using Value = std::remove_cvref_t<decltype(settings.*member)>;
        if constexpr (std::is_same_v<Value, std::int32_t>) {
          return key.write_number(field.name, settings.*member);
        } else if constexpr (std::is_same_v<Value, bool>) {
          return key.write_flag(field.name, settings.*member);
        } else {
          return key.write_text(field.name, utf8_to_utf16(settings.*member));
        }
      },
      field.member);
}

}  // namespace

SystemFont fallback_system_font() {
  return {"Sans Serif", kFallbackFontPixels};
}

std::string default_flash_card_path() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return documents.toStdString() + "/" LEXORA_CARDBANK_DEFAULT_DATABASE;
}

Settings::Settings(SystemFont font)
    : main_font(font.face),
      main_font_size(font.pixel_height == INT32_MIN ? INT32_MAX
                     : font.pixel_height < 0        ? -font.pixel_height
                                                    : font.pixel_height),
      g_mr_dict_path(default_flash_card_path()),
      system_font(std::move(font)) {}

void load_settings(Registry& registry, Settings& settings, RecentFiles& recent) {
  // The defaults as a fresh start has them, with this run's system font.
  const Settings defaults(settings.system_font);
  {
    RegistryKey key = registry.create_key(kProgramKey);
    for (std::size_t index : kLoadOrder) read_field(key, kGlobalFields[index], settings, defaults);
  }
  recent.recent_set_limit(settings.n_recent_files, false);
  recent.recent_load(registry, kProgramKey);
}

bool save_settings(Registry& registry, const Settings& settings, const RecentFiles& recent) {
  // Held open across recent_save so that the whole save is one session.
  RegistryKey key = registry.create_key(kProgramKey);
  bool written = true;
  for (const SettingField& field : kGlobalFields) {
    written = write_field(key, field, settings) && written;
  }
  written = recent.recent_save(registry, kProgramKey) && written;
  return finish_save(registry, key, written);
}

void read_dictionary_values(Registry& registry, Settings& settings, std::string_view key_name) {
  const Settings defaults(settings.system_font);
  if (key_name.empty()) {
    // No dictionary name: the program's own key is not a dictionary's.
    for (const SettingField& field : kDictionaryFields) {
      std::visit([&](auto member) { settings.*member = defaults.*member; }, field.member);
    }
    return;
  }
  RegistryKey key = registry.create_key(key_name);
  for (const SettingField& field : kDictionaryFields) read_field(key, field, settings, defaults);
}

bool save_dictionary_settings(Registry& registry, Settings& settings, std::string_view key_name,
                              std::int32_t top_index) {
  settings.last_word_id = top_index;
  if (key_name.empty()) return true;
  RegistryKey key = registry.create_key(key_name);
  bool written = true;
  for (const SettingField& field : kDictionaryFields) {
    written = write_field(key, field, settings) && written;
  }
  return finish_save(registry, key, written);
}

std::span<const SettingField> global_setting_fields() {
  return kGlobalFields;
}
std::span<const SettingField> dictionary_setting_fields() {
  return kDictionaryFields;
}

}  // namespace lexora
