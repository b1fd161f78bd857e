#include "import/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lexora::import {

MappedFile::~MappedFile() {
  if (size_ != 0) munmap(const_cast<std::uint8_t*>(data_), size_);
}

std::unique_ptr<MappedFile> MappedFile::open(const std::string& path, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = std::strerror(errno);
    return nullptr;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = "not a regular file";
    ::close(fd);
    return nullptr;
  }
  const std::size_t size = static_cast<std::size_t>(st.st_size);
  if (size == 0) {
    ::close(fd);
    return std::unique_ptr<MappedFile>(new MappedFile(nullptr, 0));
  }
  void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (map == MAP_FAILED) {
    *error = std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<MappedFile>(new MappedFile(static_cast<const std::uint8_t*>(map), size));
}

}  // namespace lexora::import
