#include "gui/article/packed_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/unique_fd.h"

namespace lexora {
namespace {

constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kPrivateFileMode = 0600;
constexpr mode_t kOpenToOthers = 077;
constexpr char kFolderPrefix[] = "lexora-";

bool is_separator(char16_t c) {
  return c == u'\\' || c == u'/';
}

std::string temp_location() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::temp_directory_path(error);
  return error ? std::string("/tmp") : path.string();
}

// A folder we may use as it is: a real folder (not a link), ours, closed to
// others.
bool usable_private_folder(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & kOpenToOthers) == 0;
}

bool write_all(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::optional<std::u16string> packed_file_name(std::u16string_view entry) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < entry.size(); ++i) {
    if (is_separator(entry[i])) start = i + 1;
  }
  std::u16string_view last = entry.substr(start);
  // "C:name" names a file on drive C: only the name is kept.
  if (last.size() >= 2 && last[1] == u':' &&
      ((last[0] >= u'A' && last[0] <= u'Z') || (last[0] >= u'a' && last[0] <= u'z'))) {
    last.remove_prefix(2);
  }
  std::u16string name;
  for (char16_t c : last) {
    if (c != u'\0') name.push_back(c);
  }
  if (name.empty() || name == u"." || name == u"..") return std::nullopt;
  return name;
}

std::optional<std::string> private_media_folder(const std::string& temp_root) {
  const std::string root = temp_root.empty() ? temp_location() : temp_root;
  const std::string base = root + "/" + kFolderPrefix + std::to_string(::geteuid());
  if (::mkdir(base.c_str(), kPrivateFolderMode) == 0 || errno == EEXIST) {
    if (usable_private_folder(base)) return base;
  }
  // Taken by something we cannot trust: a folder of our own with a unique name.
  std::string pattern = base + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return std::nullopt;
  return pattern;
}

bool write_private_file(const std::string& folder, const std::string& name,
                        std::span<const std::uint8_t> bytes) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
    return false;
  }
  const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (dir.get() < 0) return false;
  // An older file (or a planted link) is removed rather than written through.
  if (::unlinkat(dir.get(), name.c_str(), 0) != 0 && errno != ENOENT) return false;
  UniqueFd file(::openat(dir.get(), name.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateFileMode));
  if (file.get() < 0) return false;
  const bool written = write_all(file.get(), bytes);
  const bool closed = file.close();
  if (!written || !closed) {
    ::unlinkat(dir.get(), name.c_str(), 0);
    return false;
  }
  return true;
}

}  // namespace lexora
