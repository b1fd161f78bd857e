#include "import/import_cache.h"

#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace lexora::import {
namespace {

// import_dictionary() writes under "<output>.part-<pid>" and renames.
constexpr char kTemporaryTag[] = ".part-";

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

// A conversion another process is still writing: "<name>.part-<pid>" with
// that process alive. Such a file may be of an older version of the source
// (the other process started before the source changed), and removing it
// would make that process's rename fail and its open report an error.
bool is_live_conversion(const std::string& file) {
  const std::size_t tag = file.rfind(kTemporaryTag);
  if (tag == std::string::npos) return false;
  const std::string digits = file.substr(tag + sizeof kTemporaryTag - 1);
  if (digits.empty() || digits.size() > 9 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const pid_t pid = static_cast<pid_t>(std::stol(digits));
  return pid > 0 && (::kill(pid, 0) == 0 || errno != ESRCH);
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
  // Conversions of earlier versions of this source are of no further use,
  // nor are conversions left half-written by a process that died.
  const std::string pack =
      std::filesystem::path(pack_path_beside(*dictionary_path)).filename().string();
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string file = entry.path().filename().string();
    if (file.rfind(prefix, 0) == 0 && file != name && file != pack && !is_live_conversion(file))
      std::filesystem::remove(entry.path(), ec);
  }
  return true;
}

}  // namespace lexora::import
