#include "platform/read_file.h"

#include <cstring>

#include "platform/system_calls.h"

namespace lexora {
namespace {

constexpr std::size_t kKiB = 1024;

template <typename Buffer>
ReadResult read_into(const std::string& path, std::size_t cap, Buffer* out, int open_flags) {
  ReadResult result;
  // O_NONBLOCK: opening a FIFO without a writer must not wait for one. It is
  // refused below, and regular files ignore the flag.
  const int fd = sys::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | open_flags);
  if (fd < 0) {
    result.error = errno;
    result.status = errno == ENOENT   ? ReadStatus::kMissing
                    : errno == EISDIR ? ReadStatus::kNotRegular
                                      : ReadStatus::kFailed;
    return result;
  }
  struct stat st {};
  if (sys::fstat(fd, &st) != 0) {
    result = {ReadStatus::kFailed, errno};
  } else if (!S_ISREG(st.st_mode)) {
    result.status = ReadStatus::kNotRegular;
  } else if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > cap) {
    result.status = ReadStatus::kTooLarge;
  }
  if (result.status != ReadStatus::kOk) {
    ::close(fd);
    return result;
  }
  out->clear();
  out->resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  for (;;) {
    if (done == out->size()) {
      // The file may have grown since fstat: read on, within the cap.
      if (out->size() >= cap) break;
      out->resize(std::min(cap, out->size() + 64 * kKiB));
    }
    const ssize_t n = sys::read(fd, out->data() + done, out->size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result = {ReadStatus::kFailed, errno};
      break;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  out->resize(done);
  if (result.status != ReadStatus::kOk) out->clear();
  return result;
}

}  // namespace

std::string human_size(std::size_t bytes) {
  if (bytes >= (kKiB << 20) && bytes % (kKiB << 20) == 0)
    return std::to_string(bytes >> 30) + " GiB";
  if (bytes >= (kKiB << 10) && bytes % (kKiB << 10) == 0)
    return std::to_string(bytes >> 20) + " MiB";
  if (bytes >= kKiB && bytes % kKiB == 0) return std::to_string(bytes >> 10) + " KiB";
  return std::to_string(bytes) + " bytes";
}

std::string ReadResult::describe(const std::string& path, std::size_t cap) const {
  switch (status) {
    case ReadStatus::kOk:
      return path;
    case ReadStatus::kMissing:
      return path + ": no such file";
    case ReadStatus::kNotRegular:
      return path + ": not a regular file";
    case ReadStatus::kTooLarge:
      return path + ": larger than " + human_size(cap);
    case ReadStatus::kFailed:
      return path + ": " + std::strerror(error);
  }
  return path;
}

ReadResult read_regular_file(const std::string& path, std::size_t cap,
                             std::vector<std::uint8_t>* bytes, int open_flags) {
  return read_into(path, cap, bytes, open_flags);
}

ReadResult read_regular_file(const std::string& path, std::size_t cap, std::string* text) {
  return read_into(path, cap, text, 0);
}

}  // namespace lexora
