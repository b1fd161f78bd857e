#include "import/source_file.h"

#include <zlib.h>

#include <filesystem>
#include <system_error>

namespace lexora::import {
namespace {

constexpr unsigned kReadChunk = 1u << 20;

}  // namespace

bool read_source_file(const std::string& path, std::vector<std::uint8_t>* bytes,
                      std::string* error) {
  bytes->clear();
  std::error_code ec;
  const std::uintmax_t file_size = std::filesystem::file_size(path, ec);
  if (ec) {
    *error = "cannot open the file: " + ec.message();
    return false;
  }
  // gzread passes a file without a gzip header through unchanged.
  gzFile file = gzopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = "cannot open the file";
    return false;
  }
  gzbuffer(file, kReadChunk);
  if (file_size <= kMaxSourceSize) bytes->reserve(static_cast<std::size_t>(file_size));
  bool ok = true;
  for (;;) {
    if (bytes->size() + kReadChunk > kMaxSourceSize) {
      *error = "the file unpacks to more than " + std::to_string(kMaxSourceSize >> 20) + " MiB";
      ok = false;
      break;
    }
    const std::size_t at = bytes->size();
    bytes->resize(at + kReadChunk);
    const int got = gzread(file, bytes->data() + at, kReadChunk);
    if (got < 0) {
      int code = 0;
      const char* message = gzerror(file, &code);
      *error = std::string("damaged compressed data: ") + (message != nullptr ? message : "");
      ok = false;
      bytes->resize(at);
      break;
    }
    bytes->resize(at + static_cast<std::size_t>(got));
    if (got == 0) break;
  }
  gzclose(file);
  if (!ok) bytes->clear();
  return ok;
}

bool file_exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace lexora::import
