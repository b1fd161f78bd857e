#include "render/cardbank_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <optional>

namespace lexora {
namespace {

std::optional<std::string> program_folder() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer) return std::nullopt;
  std::string path(buffer, static_cast<std::size_t>(n));
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::nullopt;
  path.resize(slash);
  return path;
}

}  // namespace

CardbankLibrary::CardbankLibrary(const std::string& name) {
  constexpr int kFlags = RTLD_NOW | RTLD_LOCAL;
  if (name.find('/') != std::string::npos) {
    handle_ = ::dlopen(name.c_str(), kFlags);
    return;
  }
  if (const std::optional<std::string> folder = program_folder()) {
    handle_ = ::dlopen((*folder + "/" + name).c_str(), kFlags);
  }
  if (!handle_) handle_ = ::dlopen(name.c_str(), kFlags);
}

CardbankLibrary::~CardbankLibrary() {
  if (handle_) ::dlclose(handle_);
}

MRNewRecordFunction CardbankLibrary::new_record() const {
  if (!handle_) return nullptr;
  return reinterpret_cast<MRNewRecordFunction>(::dlsym(handle_, LEXORA_CARDBANK_EXPORT_NAME));
}

}  // namespace lexora
