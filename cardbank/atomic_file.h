// Reading a database file whole, and replacing it whole without ever leaving
// a half-written file behind: the new contents go to a temporary file in the
// same folder, are flushed to the disk, and the temporary file is renamed
// over the old one. Whatever happens, the path names either the old file or
// the new one.
#ifndef LEXORA_CARDBANK_ATOMIC_FILE_H_
#define LEXORA_CARDBANK_ATOMIC_FILE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace lexora::cardbank {

enum class ReadStatus {
  kOk,
  kMissing,     // no file of that name: a new database may be created
  kUnusable,    // present but not a regular file we may read and write
};

// Reads the file at `path` (UTF-8) into *bytes. The file must be a regular
// file that this process may write, since the caller means to replace it.
ReadStatus read_database_file(const std::string& path, std::vector<std::uint8_t>* bytes);

// The steps of replace_file() that touch the disk, in order.
enum class WriteStep { kCreateTemporary, kWrite, kSyncFile, kRename, kSyncFolder };

struct WriteOptions {
  // Called before each step; returning false makes the step fail as if the
  // system had refused it (tests use this to interrupt a replacement at
  // every point). Empty: every step runs.
  std::function<bool(WriteStep)> before_step;
  // The most bytes one kWrite step writes.
  std::size_t chunk_size = 1 << 16;
};

// Replaces the file at `path` (UTF-8) by `bytes`. A symbolic link is followed
// and its target replaced. An existing file's permission bits are kept; a new
// file gets 0666 less the umask. On failure the temporary file is removed,
// `path` is unchanged and false is returned. A crash midway may leave the
// temporary file (".<name>.tmp-<pid>-<n>" beside it), never a damaged `path`.
bool replace_file(const std::string& path, std::span<const std::uint8_t> bytes,
                  const WriteOptions& options = {});

}  // namespace lexora::cardbank

#endif  // LEXORA_CARDBANK_ATOMIC_FILE_H_
