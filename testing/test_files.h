// Helpers for tests that build files and then damage them: a temporary
// folder removed with everything in it, whole-file reading and writing, and
// in-place corruption (one byte, a little-endian field, a cut). Failures
// throw std::runtime_error so that a broken fixture cannot pass silently.
#ifndef LEXORA_TESTING_TEST_FILES_H_
#define LEXORA_TESTING_TEST_FILES_H_

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace lexora::test {

// A fresh folder under the system's temporary folder, removed (with its
// contents) on destruction.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lexora-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // The path of `name` inside the folder (the file need not exist).
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

inline void write_file(const std::string& path, const std::string& text) {
  write_file(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

inline std::vector<std::uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>());
}

// Flips every bit of the byte at `offset` (or sets it to `value` when given).
inline void corrupt_byte(const std::string& path, std::size_t offset, int value = -1) {
  std::vector<std::uint8_t> bytes = read_file(path);
  if (offset >= bytes.size()) throw std::runtime_error("corrupt_byte past the end of " + path);
  bytes[offset] =
      value < 0 ? static_cast<std::uint8_t>(~bytes[offset]) : static_cast<std::uint8_t>(value);
  write_file(path, bytes);
}

// Overwrites a little-endian 16- or 32-bit field at `offset`.
inline void patch_u32(const std::string& path, std::size_t offset, std::uint32_t value) {
  std::vector<std::uint8_t> bytes = read_file(path);
  if (offset + 4 > bytes.size()) throw std::runtime_error("patch_u32 past the end of " + path);
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  write_file(path, bytes);
}
inline void patch_u16(const std::string& path, std::size_t offset, std::uint16_t value) {
  std::vector<std::uint8_t> bytes = read_file(path);
  if (offset + 2 > bytes.size()) throw std::runtime_error("patch_u16 past the end of " + path);
  bytes[offset] = static_cast<std::uint8_t>(value);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
  write_file(path, bytes);
}

// Cuts the file to `size` bytes (which must not be more than it has).
inline void truncate_file(const std::string& path, std::size_t size) {
  if (size > std::filesystem::file_size(path))
    throw std::runtime_error("truncate_file grows " + path);
  std::filesystem::resize_file(path, size);
}

}  // namespace lexora::test

#endif  // LEXORA_TESTING_TEST_FILES_H_
