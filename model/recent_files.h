// The recently opened dictionary files and the dictionary menu that offers
// them. One RecentFiles lives for the whole run, owned by the shell.
//
// Paths are UTF-8 with "/" separators, kept oldest first. Entries are
// compared as whole strings, case-sensitively. The list is stored under the
// program's registry key as text values "Last file0", "Last file1", ...
// (index 0 the oldest) and its limit is the setting "N recent files".
//
// The menu is reached through RecentMenu so that the GUI binds it to its
// dictionary menu and tests to a recorder. The newest file is the first item,
// with the command id first_command() (49999).
#ifndef LEXORA_MODEL_RECENT_FILES_H_
#define LEXORA_MODEL_RECENT_FILES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lexora {

class Registry;

class RecentMenu {
 public:
  virtual ~RecentMenu() = default;
  // Removes every item, including any placeholder the menu was built with.
  virtual void clear() = 0;
  // Appends a text item; `label` is UTF-8.
  virtual void append_item(std::int32_t command_id, const std::string& label) = 0;
};

// Command id of the dictionary menu's first (newest) item.
inline constexpr std::int32_t kFirstRecentCommand = 49999;
// Longest "Last file%d" text read back, in bytes with the terminating zero:
// a path of PATH_MAX bytes in UTF-16. Longer values end the loading.
inline constexpr std::size_t kMaxRecentPathBytes = (4096 + 1) * 2;

// The text after the last "/" when at least one character follows it,
// otherwise the whole path (the dictionary menu's label, the window title's
// name and the per-dictionary registry key).
std::string file_name_part(std::string_view path);

class RecentFiles {
 public:
  // Empty, with limit 0 and no menu, until the settings give it a limit.
  RecentFiles() = default;
  RecentFiles(const RecentFiles&) = delete;
  RecentFiles& operator=(const RecentFiles&) = delete;

  // The menu (not owned; null for none). The shell sets it, and
  // first_command, at main-window creation.
  void set_menu(RecentMenu* menu) { menu_ = menu; }
  void set_first_command(std::int32_t id) { first_command_ = id; }
  std::int32_t first_command() const { return first_command_; }

  std::uint32_t limit() const { return limit_; }
  const std::vector<std::string>& paths() const { return paths_; }

  // Sets the limit and drops the oldest entries beyond it; rebuilds the menu
  // when `rebuild`. A negative count is taken as 0: the list then stays empty
  // and recent_add keeps nothing (remembering no files).
  void recent_set_limit(std::int32_t n, bool rebuild);
  // Removes the first entry equal to `path`, if any; rebuilds the menu.
  void recent_remove(std::string_view path);
  // Moves or adds `path` to the newest place, dropping the oldest entries to
  // stay within the limit; rebuilds the menu. With limit 0 nothing is kept.
  void recent_add(std::string_view path);
  // Clears the menu and lists the entries, newest first, with ids from
  // first_command() on and file_name_part() labels.
  void recent_rebuild_menu();

  // Replaces the list with the values "Last file0" ... of registry key
  // `key_name` (empty: the program's key), at most limit() of them, stopping
  // at the first that cannot be read (missing, not a text, or longer than
  // kMaxRecentPathBytes). Entries are not checked for duplicates; the menu is
  // not rebuilt.
  void recent_load(Registry& registry, std::string_view key_name);
  // Deletes "Last file0", "Last file1", ... up to the first missing index,
  // then writes the entries oldest first. False when the key could not be
  // written (the caller ignores it, as every registry failure).
  bool recent_save(Registry& registry, std::string_view key_name) const;

  // The path shown by menu item `command_id`, or nothing when the id names
  // no entry.
  std::optional<std::string> recent_path_for_command(std::int32_t command_id) const;
  // Whether the main window routes `command_id` here: first_command() to
  // first_command() + limit(), both ends included.
  bool is_recent_command(std::int32_t command_id) const;

 private:
  std::uint32_t limit_ = 0;
  RecentMenu* menu_ = nullptr;
  std::int32_t first_command_ = kFirstRecentCommand;
  std::vector<std::string> paths_;
};

}  // namespace lexora

#endif  // LEXORA_MODEL_RECENT_FILES_H_
