#include "platform/library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <optional>

namespace lexora {
namespace {

std::optional<std::string>& folder_override() {
  static std::optional<std::string> folder;
  return folder;
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

void set_library_folder_for_testing(const std::string& folder) {
  if (folder.empty())
    folder_override().reset();
  else
    folder_override() = folder;
}

std::unique_ptr<Library> Library::load(const std::string& file_name) {
  const std::string folder = folder_override() ? *folder_override() : program_folder();
  constexpr int kFlags = RTLD_NOW | RTLD_LOCAL;
  if (!folder.empty()) {
    std::string beside = folder + "/" + file_name;
    if (::access(beside.c_str(), F_OK) == 0) {
      if (void* handle = ::dlopen(beside.c_str(), kFlags))
        return std::unique_ptr<Library>(new Library(handle, beside));
    }
  }
  // A test's own folder replaces the program's, and the loader's search path
  // is not tried then, so a test cannot pick up a library installed elsewhere.
  if (folder_override()) return nullptr;
  if (void* handle = ::dlopen(file_name.c_str(), kFlags))
    return std::unique_ptr<Library>(new Library(handle, file_name));
  return nullptr;
}

Library::~Library() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

void* Library::symbol(const char* name) const { return ::dlsym(handle_, name); }

}  // namespace lexora
