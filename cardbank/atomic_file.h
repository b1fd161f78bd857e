// Reading a database file whole, and replacing it whole without ever leaving
// a half-written file behind (platform/atomic_file.h does the replacing).
#ifndef LEXORA_CARDBANK_ATOMIC_FILE_H_
#define LEXORA_CARDBANK_ATOMIC_FILE_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/atomic_file.h"

namespace lexora::cardbank {

using lexora::WriteOptions;
using lexora::WriteStep;

enum class ReadStatus {
  kOk,
  kMissing,   // no file of that name: a new database may be created
  kUnusable,  // present but not a regular file we may read and write, or too large
};

// Reads the file at `path` (UTF-8) into *bytes. The file must be a regular
// file of at most kMaxFlashCardDatabaseSize (platform/read_file.h) that this
// process may write, since the caller means to replace it. A FIFO or device
// is refused without blocking.
ReadStatus read_database_file(const std::string& path, std::vector<std::uint8_t>* bytes);

// Replaces the file at `path` (UTF-8) by `bytes` (see platform/atomic_file.h).
// True when the new contents are in place: after a successful rename, even
// if flushing the folder then fails, since the file on disk is the new one.
// False leaves `path` unchanged and no temporary file behind.
bool replace_file(const std::string& path, std::span<const std::uint8_t> bytes,
                  const WriteOptions& options = {});

}  // namespace lexora::cardbank

#endif  // LEXORA_CARDBANK_ATOMIC_FILE_H_
