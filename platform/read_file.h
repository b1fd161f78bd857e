// Reading a file whole, with a limit: only regular files are read (a FIFO,
// a device such as /dev/zero or a folder is refused without blocking), and a
// file larger than the caller's cap is refused before anything is allocated
// for it. No Qt, no ICU (libcardbank.so links this).
#ifndef LEXORA_PLATFORM_READ_FILE_H_
#define LEXORA_PLATFORM_READ_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lexora {

enum class ReadStatus {
  kOk,
  kMissing,     // no file of that name
  kNotRegular,  // a folder, FIFO, socket or device
  kTooLarge,    // larger than the cap
  kFailed,      // opening or reading failed (errno in the result)
};

struct ReadResult {
  ReadStatus status = ReadStatus::kOk;
  int error = 0;  // errno for kFailed and kMissing
  // "PATH: REASON" for anything but kOk.
  std::string describe(const std::string& path, std::size_t cap) const;
};

// Reads the regular file at `path` into *bytes (replacing its contents).
// `open_flags` may add O_RDWR for callers that mean to replace the file.
ReadResult read_regular_file(const std::string& path, std::size_t cap,
                             std::vector<std::uint8_t>* bytes, int open_flags = 0);
// The same into a string.
ReadResult read_regular_file(const std::string& path, std::size_t cap, std::string* text);

// The caps of what the program reads whole (see README "Limits").
inline constexpr std::size_t kMaxSettingsFileSize = std::size_t{4} << 20;         // 4 MiB
inline constexpr std::size_t kMaxColourProfileSize = std::size_t{1} << 20;        // 1 MiB
inline constexpr std::size_t kMaxFlashCardDatabaseSize = std::size_t{256} << 20;  // 256 MiB
inline constexpr std::size_t kMaxSourceFileSize = std::size_t{1} << 30;           // 1 GiB
inline constexpr std::size_t kMaxMarkupInputSize = std::size_t{64} << 20;         // 64 MiB
inline constexpr std::size_t kMaxInputLineSize = std::size_t{1} << 20;            // 1 MiB

std::string human_size(std::size_t bytes);

}  // namespace lexora

#endif  // LEXORA_PLATFORM_READ_FILE_H_
