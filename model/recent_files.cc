#include "model/recent_files.h"

#include <algorithm>

#include "platform/qt/registry.h"
#include "platform/utf.h"

namespace lexora {

namespace {

std::string last_file_value_name(std::size_t index) {
  return "Last file" + std::to_string(index);
}

}  // namespace

std::string file_name_part(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos || slash + 1 == path.size()) return std::string(path);
  return std::string(path.substr(slash + 1));
}

void RecentFiles::recent_set_limit(std::int32_t n, bool rebuild) {
  limit_ = n < 0 ? 0u : static_cast<std::uint32_t>(n);
  if (paths_.size() > limit_) {
    paths_.erase(paths_.begin(),
                 paths_.begin() + static_cast<std::ptrdiff_t>(paths_.size() - limit_));
  }
  if (rebuild) recent_rebuild_menu();
}

void RecentFiles::recent_remove(std::string_view path) {
  const auto it = std::find(paths_.begin(), paths_.end(), path);
  if (it != paths_.end()) paths_.erase(it);
  recent_rebuild_menu();
}

void RecentFiles::recent_add(std::string_view path) {
  const auto it = std::find(paths_.begin(), paths_.end(), path);
  if (it != paths_.end()) paths_.erase(it);
  if (limit_ > 0) {
    while (paths_.size() >= limit_) paths_.erase(paths_.begin());
    paths_.emplace_back(path);
  }
  recent_rebuild_menu();
}

void RecentFiles::recent_rebuild_menu() {
  if (menu_ == nullptr) return;
  menu_->clear();
  std::int64_t id = first_command_;
  for (auto it = paths_.rbegin(); it != paths_.rend(); ++it, ++id) {
    // Qt menus take any int; ids past the int range are not made.
    if (id > INT32_MAX) break;
    menu_->append_item(static_cast<std::int32_t>(id), file_name_part(*it));
  }
}

void RecentFiles::recent_load(Registry& registry, std::string_view key_name) {
  paths_.clear();
  RegistryKey key = registry.create_key(key_name);
  for (std::uint32_t i = 0; i < limit_; ++i) {
    const auto text = key.read_text(last_file_value_name(i), kMaxRecentPathBytes);
    if (!text) break;
    paths_.push_back(utf16_to_utf8(*text));
  }
}

bool RecentFiles::recent_save(Registry& registry, std::string_view key_name) const {
  RegistryKey key = registry.create_key(key_name);
  // The first missing index ends the deletion, so an entry left behind a gap
  // by a hand edit stays (and is never loaded).
  for (std::size_t i = 0; key.delete_value(last_file_value_name(i)); ++i) {
  }
  bool ok = true;
  for (std::size_t i = 0; i < paths_.size(); ++i) {
    ok = key.write_text(last_file_value_name(i), utf8_to_utf16(paths_[i])) && ok;
  }
  return key.close() && ok;
}

std::optional<std::string> RecentFiles::recent_path_for_command(std::int32_t command_id) const {
  const std::int64_t k = static_cast<std::int64_t>(command_id) - first_command_;
  const auto count = static_cast<std::int64_t>(paths_.size());
  if (k < 0 || k >= count) return std::nullopt;
  return paths_[static_cast<std::size_t>(count - 1 - k)];
}

bool RecentFiles::is_recent_command(std::int32_t command_id) const {
  const std::int64_t k = static_cast<std::int64_t>(command_id) - first_command_;
  return k >= 0 && k <= static_cast<std::int64_t>(limit_);
}

}  // namespace lexora
