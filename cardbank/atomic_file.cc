#include "cardbank/atomic_file.h"

#include <fcntl.h>

#include "platform/read_file.h"

namespace lexora::cardbank {

ReadStatus read_database_file(const std::string& path, std::vector<std::uint8_t>* bytes) {
  // Opened for writing as well: a database we could read but not replace is
  // no use, and the check fails early, before any work.
  const ReadResult result = read_regular_file(path, kMaxFlashCardDatabaseSize, bytes, O_RDWR);
  switch (result.status) {
    case lexora::ReadStatus::kOk:
      return ReadStatus::kOk;
    case lexora::ReadStatus::kMissing:
      return ReadStatus::kMissing;
    default:
      return ReadStatus::kUnusable;
  }
}

bool replace_file(const std::string& path, std::span<const std::uint8_t> bytes,
                  const WriteOptions& options) {
  const std::optional<WriteError> error = lexora::replace_file(path, bytes, options);
  return !error || error->replaced;
}

}  // namespace lexora::cardbank
