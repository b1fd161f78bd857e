#include "platform/atomic_file.h"

#include <dirent.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/system_calls.h"
#include "platform/unique_fd.h"

namespace lexora {
namespace {

constexpr int kTemporaryAttempts = 16;
constexpr mode_t kNewFileMode = 0666;  // less the umask, as open() applies it
constexpr char kTemporaryTag[] = ".tmp-";

const char* step_name(WriteStep step) {
  switch (step) {
    case WriteStep::kCreateTemporary:
      return "creating the temporary file";
    case WriteStep::kWrite:
      return "writing";
    case WriteStep::kSyncFile:
      return "flushing the file to the disk";
    case WriteStep::kClose:
      return "closing the file";
    case WriteStep::kRename:
      return "renaming the temporary file over it";
    case WriteStep::kSyncFolder:
      return "flushing the folder to the disk";
  }
  return "?";
}

std::string resolve_target(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                       &std::free);
  return resolved ? std::string(resolved.get()) : path;
}

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string name_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string temporary_path_for(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = folder_of(path);
  return folder + "/" + temporary_prefix_for(path) + std::to_string(::getpid()) + "-" +
         std::to_string(counter.fetch_add(1));
}

// Runs one step: the test hook first, then the call; false with errno set.
template <typename Call>
bool run_step(const WriteOptions& options, WriteStep step, Call call) {
  if (options.before_step && !options.before_step(step)) {
    errno = EIO;
    return false;
  }
  return call();
}

bool write_all(int fd, std::span<const std::uint8_t> bytes, const WriteOptions& options) {
  const std::size_t chunk = options.chunk_size == 0 ? bytes.size() : options.chunk_size;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t want = std::min(chunk, bytes.size() - done);
    ssize_t n = 0;
    const bool ok = run_step(options, WriteStep::kWrite, [&] {
      n = sys::write(fd, bytes.data() + done, want);
      return n >= 0 || errno == EINTR;
    });
    if (!ok) return false;
    if (n == 0) {
      errno = ENOSPC;  // a write that takes nothing will not take more later
      return false;
    }
    if (n > 0) done += static_cast<std::size_t>(n);
  }
  return true;
}

// The pid in a temporary file name after the prefix: "<pid>-<n>".
std::optional<pid_t> pid_in(std::string_view rest) {
  const std::size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash > 9) return std::nullopt;
  pid_t pid = 0;
  for (char c : rest.substr(0, dash)) {
    if (c < '0' || c > '9') return std::nullopt;
    pid = pid * 10 + (c - '0');
  }
  return pid > 0 ? std::optional<pid_t>(pid) : std::nullopt;
}

}  // namespace

std::string WriteError::describe() const {
  std::string text =
      "cannot write " + path + ": " + step_name(step) + " failed: " + std::strerror(error);
  if (replaced) text += " (the new file is in place but may not survive a crash)";
  return text;
}

std::string temporary_prefix_for(const std::string& path) {
  return "." + name_of(path) + kTemporaryTag;
}

std::optional<WriteError> replace_file(const std::string& path, std::span<const std::uint8_t> bytes,
                                       const WriteOptions& options) {
  const std::string target = resolve_target(path);
  WriteError failure;
  failure.path = path;
  const auto fail = [&](WriteStep step) {
    failure.step = step;
    failure.error = errno;
    return failure;
  };
  struct stat old_stat {};
  const bool existed = ::stat(target.c_str(), &old_stat) == 0;

  std::string temporary;
  int raw_fd = -1;
  const bool created = run_step(options, WriteStep::kCreateTemporary, [&] {
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
      temporary = temporary_path_for(target);
      raw_fd = sys::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
      if (raw_fd >= 0 || errno != EEXIST) break;
    }
    return raw_fd >= 0;
  });
  if (!created) return fail(WriteStep::kCreateTemporary);
  UniqueFd fd(raw_fd);

  std::optional<WriteStep> failed;
  if (existed && sys::fchmod(fd.get(), old_stat.st_mode & 07777) != 0) {
    failed = WriteStep::kCreateTemporary;
  } else if (!write_all(fd.get(), bytes, options)) {
    failed = WriteStep::kWrite;
  } else if (!run_step(options, WriteStep::kSyncFile,
                       [&] { return sys::fdatasync(fd.get()) == 0; })) {
    failed = WriteStep::kSyncFile;
  } else if (!run_step(options, WriteStep::kClose, [&] { return fd.close(); })) {
    failed = WriteStep::kClose;
  } else if (!run_step(options, WriteStep::kRename,
                       [&] { return sys::rename(temporary.c_str(), target.c_str()) == 0; })) {
    failed = WriteStep::kRename;
  }
  if (failed) {
    const WriteError error = fail(*failed);
    fd.close();
    ::unlink(temporary.c_str());
    return error;
  }
  // The new file is in place. Flushing the folder makes the rename durable;
  // a failure here is reported, though the old file cannot come back.
  const bool folder_synced = run_step(options, WriteStep::kSyncFolder, [&] {
    UniqueFd folder(sys::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.get() >= 0 && sys::fsync(folder.get()) == 0 && folder.close();
  });
  if (!folder_synced) {
    WriteError error = fail(WriteStep::kSyncFolder);
    error.replaced = true;
    return error;
  }
  return std::nullopt;
}

int remove_stale_temporaries(const std::string& path) {
  const std::string target = resolve_target(path);
  const std::string folder = folder_of(target);
  const std::string prefix = temporary_prefix_for(target);
  struct CloseDir {
    void operator()(DIR* d) const { ::closedir(d); }
  };
  std::unique_ptr<DIR, CloseDir> dir(::opendir(folder.c_str()));
  if (!dir) return 0;
  const uid_t me = ::geteuid();
  int removed = 0;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name(entry->d_name);
    if (!name.starts_with(prefix)) continue;
    const std::optional<pid_t> pid = pid_in(name.substr(prefix.size()));
    if (!pid || *pid == ::getpid()) continue;
    // Still running (or not ours to ask about): its file is left alone.
    if (::kill(*pid, 0) == 0 || errno != ESRCH) continue;
    const std::string file = folder + "/" + std::string(name);
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != me) continue;
    if (::unlink(file.c_str()) == 0) ++removed;
  }
  return removed;
}

}  // namespace lexora
