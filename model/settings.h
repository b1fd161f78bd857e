// The program's persistent settings: one Settings object for the whole run,
// owned by the shell and passed by reference, holding one variable per
// registry value (named like the value) with its default until loaded.
//
// Global values live in the program's registry key, per-dictionary values
// ("smart_find", "last_word", "last_word_id") in a subkey named by the
// dictionary's file-name part, so dictionaries of the same file name in
// different folders share them. Texts are UTF-8 here and UTF-16 in the
// registry.
//
// A value that cannot be read (missing, of another type, damaged) takes its
// default. A save that cannot be written is reported through
// platform/messages ("Error" box: what failed on which file) and returns
// false; the settings file then is the old one, whole.
#ifndef LEXORA_MODEL_SETTINGS_H_
#define LEXORA_MODEL_SETTINGS_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace lexora {

class RecentFiles;
class Registry;

// The platform's general font, the default of "MainFont" and "MainFont Size".
struct SystemFont {
  std::string face;  // UTF-8
  std::int32_t pixel_height = 0;
};

// The font used when no GUI is there to ask (lexora-cli, tests): the generic
// sans-serif family name, which fontconfig and Qt resolve to the desktop's
// default face, at 13 pixels (10 points at 96 dpi). The GUI passes the real
// general font (QFontDatabase::systemFont(GeneralFont) and its pixel height).
SystemFont fallback_system_font();

// The default of "g_mr_dict_path": the documents folder + "/dict_mr.pdb".
std::string default_flash_card_path();

// The main font sizes the program uses, in pixels. A stored size outside
// them (typed on the Font page or set by a tool) is brought within them, so a
// slip of the keyboard cannot make the window unreadable.
inline constexpr std::int32_t kMinMainFontPixels = 6;
inline constexpr std::int32_t kMaxMainFontPixels = 144;

struct Settings {
  explicit Settings(SystemFont system_font = fallback_system_font());

  // --- global values, in the order save_settings writes them ---
  std::int32_t text_size = 2;           // "Text size": article zoom 0..5
  std::int32_t n_recent_files = 8;      // "N recent files"
  std::int32_t arrow_redefine = 0;      // "Arrow redefine" (0 or 1)
  std::int32_t find_cb = 0;             // "find_cb" (0 or 1)
  bool g_use_lumira_profile = true;     // "g_use_lumira_profile"
  bool g_use_colors_profile = false;    // "g_use_colors_profile"
  bool g_html_integral_paging = false;  // "g_html_integral_paging"
  bool g_allow_mult_dict = false;       // "g_allow_mult_dict"
  bool g_show_only_card = false;        // "g_show_only_card"
  std::string main_font;                // "MainFont"
  std::int32_t main_font_size = 0;      // "MainFont Size", pixels
  std::string font_res;                 // "FontRes": extra font file, "" for none
  std::string g_mr_dict_path;           // "g_mr_dict_path": flash-card database
  bool g_smart_menu = true;             // "g_smart_menu"

  // --- values of the open dictionary ---
  std::int32_t smart_find = 1;    // "smart_find": 1 ignores punctuation
  std::int32_t last_word = 0;     // "last_word": restore the position on opening
  std::int32_t last_word_id = 0;  // "last_word_id": top index when last saved

  // The defaults of "MainFont" and "MainFont Size".
  SystemFont system_font;
};

// Reads the global values (each unreadable one takes its default; "FontRes"
// keeps its current text), then gives `recent` the limit "N recent files"
// without rebuilding its menu and loads it from the same key.
void load_settings(Registry& registry, Settings& settings, RecentFiles& recent);
// Writes the global values, then the recent-files list, in one registry
// session: another process sees all of it or none of it.
bool save_settings(Registry& registry, const Settings& settings, const RecentFiles& recent);

// Copies `top_index` into "last_word_id" and writes "smart_find",
// "last_word" and "last_word_id" to the key `key_name`.
// False (after the message) when the file cannot be written.
bool save_dictionary_settings(Registry& registry, Settings& settings, std::string_view key_name,
                              std::int32_t top_index);

// Reads only the per-dictionary values (no engine involved): for tools.
void read_dictionary_values(Registry& registry, Settings& settings, std::string_view key_name);

// --- the value table, for tools that list or set values by name ---

enum class SettingForm { kNumber, kFlag, kText };

struct SettingField {
  std::string_view name;  // the registry value name
  SettingForm form;
  std::variant<std::int32_t Settings::*, bool Settings::*, std::string Settings::*> member;
};

// Global values in save order; per-dictionary values in save order.
std::span<const SettingField> global_setting_fields();
std::span<const SettingField> dictionary_setting_fields();

}  // namespace lexora

#endif  // LEXORA_MODEL_SETTINGS_H_
