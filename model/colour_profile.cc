#include "model/colour_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/byte_cursor.h"

namespace lexora {

ColourProfileResult apply_colour_profile(std::span<const std::uint8_t> bytes, ColourTable* table) {
  ByteCursor cursor(bytes);
  std::span<const std::uint8_t> magic;
  if (!cursor.read_bytes(kColourProfileMagic.size(), &magic) ||
      std::memcmp(magic.data(), kColourProfileMagic.data(), magic.size()) != 0) {
    return kProfileWrongMagic;
  }
  std::span<const std::uint8_t> block;
  if (!cursor.seek(kColourProfileBlockOffset) || !cursor.read_bytes(kColourBlockSize, &block)) {
    return kProfileTruncated;
  }
  table->set_entries_from_bytes(block);
  return kProfileRead;
}

ColourProfileResult load_colour_profile(const std::string& path, ColourTable* table) {
  // Not waiting on a FIFO without a writer, and not reading a device: only a
  // regular file is a profile.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return kProfileCannotOpen;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return kProfileCannotOpen;
  }
  // Only the first 72 bytes matter; a shorter read is judged by the parser.
  std::array<std::uint8_t, kColourProfileSize> head{};
  std::size_t got = 0;
  while (got < head.size()) {
    const ssize_t n = ::read(fd, head.data() + got, head.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return apply_colour_profile(std::span<const std::uint8_t>(head.data(), got), table);
}

}  // namespace lexora
