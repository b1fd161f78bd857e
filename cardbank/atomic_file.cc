#include "cardbank/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace lexora::cardbank {
namespace {

constexpr int kTemporaryAttempts = 16;
constexpr mode_t kNewFileMode = 0666;  // less the umask, as open() applies it

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded (a delayed write
  // error can surface here).
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool step_allowed(const WriteOptions& options, WriteStep step) {
  return !options.before_step || options.before_step(step);
}

// The path a symbolic link leads to, so that replacing the database keeps
// the link; other paths unchanged.
std::string resolve_target(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : path;
}

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string temporary_path_for(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + name + ".tmp-" + std::to_string(::getpid()) + "-" +
         std::to_string(counter.fetch_add(1));
}

bool write_all(int fd, std::span<const std::uint8_t> bytes, const WriteOptions& options) {
  const std::size_t chunk = options.chunk_size == 0 ? bytes.size() : options.chunk_size;
  std::size_t done = 0;
  while (done < bytes.size()) {
    if (!step_allowed(options, WriteStep::kWrite)) return false;
    const std::size_t want = std::min(chunk, bytes.size() - done);
    const ssize_t n = ::write(fd, bytes.data() + done, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

ReadStatus read_database_file(const std::string& path, std::vector<std::uint8_t>* bytes) {
  // Opened for writing as well: a database we could read but not replace is
  // no use, and the check fails early, before any work.
  FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
  if (fd.get() < 0) return errno == ENOENT ? ReadStatus::kMissing : ReadStatus::kUnusable;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
    return ReadStatus::kUnusable;
  }
  bytes->clear();
  bytes->resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (done < bytes->size()) {
    const ssize_t n = ::read(fd.get(), bytes->data() + done, bytes->size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return ReadStatus::kUnusable;
    }
    if (n == 0) break;  // the file shrank meanwhile: take what is there
    done += static_cast<std::size_t>(n);
  }
  bytes->resize(done);
  return ReadStatus::kOk;
}

bool replace_file(const std::string& path, std::span<const std::uint8_t> bytes,
                  const WriteOptions& options) {
  const std::string target = resolve_target(path);
  struct stat old_stat {};
  const bool existed = ::stat(target.c_str(), &old_stat) == 0;

  if (!step_allowed(options, WriteStep::kCreateTemporary)) return false;
  std::string temporary;
  int raw_fd = -1;
  for (int attempt = 0; attempt < kTemporaryAttempts && raw_fd < 0; ++attempt) {
    temporary = temporary_path_for(target);
    raw_fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
    if (raw_fd < 0 && errno != EEXIST) return false;
  }
  if (raw_fd < 0) return false;
  FileDescriptor fd(raw_fd);

  bool ok = true;
  if (existed) ok = ::fchmod(fd.get(), old_stat.st_mode & 07777) == 0;
  ok = ok && write_all(fd.get(), bytes, options);
  ok = ok && step_allowed(options, WriteStep::kSyncFile) && ::fsync(fd.get()) == 0;
  ok = fd.close() && ok;
  ok = ok && step_allowed(options, WriteStep::kRename) &&
       ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  // The rename is done: the new file is in place. Syncing the folder makes
  // the rename itself durable; if that fails the file is still whole, either
  // old or new after a crash, so the result stands.
  if (step_allowed(options, WriteStep::kSyncFolder)) {
    FileDescriptor folder(::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
  }
  return true;
}

}  // namespace lexora::cardbank
