#include "platform/library.h"

#include <dlfcn.h>
#include <glob.h>
#include <link.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>

#include "platform/library_state.h"

namespace lexora {
namespace {

constexpr int kFlags = RTLD_NOW | RTLD_LOCAL;
// The loader's cache is built from the folders this file names.
constexpr char kLoaderConfig[] = "/etc/ld.so.conf";
constexpr int kMaxConfigDepth = 8;

// The coarse clock is read without a system call (vDSO), unlike the precise
// one on some virtual machines.
double now_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The folders of the loader's configuration file, following its "include"
// lines (glob patterns, relative ones taken from the including file's folder).
void read_loader_config(const std::string& file, int depth, std::vector<std::string>* out) {
  if (depth > kMaxConfigDepth) return;
  std::ifstream in(file);
  std::string line;
  const std::string base = file.substr(0, file.rfind('/') + 1);
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) continue;
    line = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
    if (line.rfind("include", 0) == 0 && line.size() > 7 && (line[7] == ' ' || line[7] == '\t')) {
      std::string pattern = line.substr(line.find_first_not_of(" \t", 7));
      if (pattern[0] != '/') pattern = base + pattern;
      glob_t found{};
      if (glob(pattern.c_str(), 0, nullptr, &found) == 0) {
        for (std::size_t i = 0; i < found.gl_pathc; ++i)
          read_loader_config(found.gl_pathv[i], depth + 1, out);
      }
      globfree(&found);
    } else if (line[0] == '/') {
      // "dir=TYPE" of old configurations names a folder with a library type.
      out->push_back(line.substr(0, line.find('=')));
    }
  }
}

// The loader's search path for this program as the loader reports it: the
// run path and LD_LIBRARY_PATH entries, and the system folders (flagged as
// defaults). The cache's own folders go between the two.
std::vector<std::string> loader_search_path() {
  std::vector<std::string> before_cache, defaults;
  if (void* self = ::dlopen(nullptr, RTLD_NOW)) {
    Dl_serinfo size{};
    if (dlinfo(self, RTLD_DI_SERINFOSIZE, &size) == 0 && size.dls_size >= sizeof(Dl_serinfo)) {
      std::vector<unsigned char> storage(size.dls_size);
      auto* info = reinterpret_cast<Dl_serinfo*>(storage.data());
      info->dls_size = size.dls_size;
      info->dls_cnt = size.dls_cnt;
      if (dlinfo(self, RTLD_DI_SERINFO, info) == 0) {
        for (unsigned i = 0; i < info->dls_cnt; ++i) {
          const Dl_serpath& entry = info->dls_serpath[i];
          ((entry.dls_flags & LA_SER_DEFAULT) != 0 ? defaults : before_cache)
              .push_back(entry.dls_name);
        }
      }
    }
    ::dlclose(self);
  }
  std::vector<std::string> folders = std::move(before_cache);
  read_loader_config(kLoaderConfig, 0, &folders);
  folders.insert(folders.end(), defaults.begin(), defaults.end());
  return folders;
}

std::vector<std::string> resolve_folders() {
  std::vector<std::string> wanted;
  if (std::string own = program_folder(); !own.empty()) wanted.push_back(std::move(own));
  for (std::string& folder : loader_search_path()) wanted.push_back(std::move(folder));
  std::vector<std::string> folders;
  for (const std::string& folder : wanted) {
    char real[PATH_MAX];
    if (folder.empty() || ::realpath(folder.c_str(), real) == nullptr) continue;
    std::string path(real);
    bool seen = false;
    for (const std::string& f : folders) seen = seen || f == path;
    if (!seen) folders.push_back(std::move(path));
  }
  return folders;
}

}  // namespace

std::string program_folder() {
  char buffer[PATH_MAX + 1];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, PATH_MAX);
  if (length <= 0) return {};
  std::string path(buffer, static_cast<std::size_t>(length));
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

const std::vector<std::string>& library_folders() {
  static const std::vector<std::string> folders = resolve_folders();
  return folders;
}

LibraryLoadState& library_load_state() {
  static LibraryLoadState instance;
  return instance;
}

std::unique_ptr<Library> Library::load(const std::string& file_name) {
  if (file_name.empty()) return nullptr;
  if (file_name.find('/') != std::string::npos) return open_file(file_name);
  LibraryLoadState& s = library_load_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto missing = s.missing_since.find(file_name);
  const double now = now_seconds();
  if (missing != s.missing_since.end() && now - missing->second < kLibraryRecheckSeconds)
    return nullptr;
  // A test's own folder replaces the program's, and the loader's search path
  // is not tried then, so a test cannot pick up a library installed elsewhere.
  const std::vector<std::string> own{s.folder_override.value_or(std::string())};
  for (const std::string& folder : s.folder_override ? own : library_folders()) {
    const std::string path = folder + "/" + file_name;
    if (::access(path.c_str(), F_OK) != 0) continue;
    // A file that exists but does not load (another architecture, a missing
    // dependency) is passed over, as the loader passes over it.
    if (std::unique_ptr<Library> library = open_file(path)) {
      s.missing_since.erase(file_name);
      return library;
    }
  }
  s.missing_since[file_name] = now;
  return nullptr;
}

std::unique_ptr<Library> Library::open_file(const std::string& path) {
  void* handle = ::dlopen(path.c_str(), kFlags);
  if (handle == nullptr) return nullptr;
  return std::unique_ptr<Library>(new Library(handle, path));
}

Library::~Library() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

void* Library::symbol(const char* name) const {
  return ::dlsym(handle_, name);
}

}  // namespace lexora
