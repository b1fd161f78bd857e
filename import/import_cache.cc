#include "import/import_cache.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace lexora::import {
namespace {

std::uint64_t hash_of(const std::string& text) {
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

std::string hex(std::uint64_t v) {
  char buffer[17];
  std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(v));
  return buffer;
}

}  // namespace

std::string import_cache_folder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/Lexora";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.cache/Lexora";
}

bool cached_import(const std::string& source, const std::string& folder,
                   const ImportOptions& options, std::string* dictionary_path, bool* converted,
                   ImportStats* stats, ImportError* error) {
  *converted = false;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(source, ec);
  struct stat info {};
  if (ec || ::stat(absolute.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    *error = ImportError{source, 0, 0, "cannot open the file"};
    return false;
  }
  // The same name for the same source as long as it is unchanged.
  const std::string prefix =
      absolute.filename().string() + "-" + hex(hash_of(absolute.string())) + "-";
  const std::string name = prefix + std::to_string(info.st_size) + "-" +
                           std::to_string(info.st_mtim.tv_sec) + "." +
                           std::to_string(info.st_mtim.tv_nsec) + ".zd";
  *dictionary_path = folder + "/" + name;
  if (std::filesystem::is_regular_file(*dictionary_path, ec)) return true;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    *error = ImportError{folder, 0, 0, "cannot create the cache folder: " + ec.message()};
    return false;
  }
  if (!import_dictionary(absolute.string(), *dictionary_path, options, stats, error)) return false;
  *converted = true;
  // Conversions of earlier versions of this source are of no further use.
  const std::string pack =
      std::filesystem::path(pack_path_beside(*dictionary_path)).filename().string();
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string file = entry.path().filename().string();
    if (file.rfind(prefix, 0) == 0 && file != name && file != pack)
      std::filesystem::remove(entry.path(), ec);
  }
  return true;
}

}  // namespace lexora::import
