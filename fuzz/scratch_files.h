// Scratch files for the fuzz targets that read dictionaries from disk: one
// private folder per process, made on first use and reused by every input.
#ifndef LEXORA_FUZZ_SCRATCH_FILES_H_
#define LEXORA_FUZZ_SCRATCH_FILES_H_

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace lexora::fuzz {

// The folder "<temp>/<tag>-XXXXXX", made once; the process stops when it
// cannot be made, as no input could then be tried.
inline const std::string& scratch_folder(const char* tag) {
  static const std::string path = [tag] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(tag) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
  }();
  return path;
}

// Replaces the file at `path` by `bytes`.
inline void put_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace lexora::fuzz

#endif  // LEXORA_FUZZ_SCRATCH_FILES_H_
