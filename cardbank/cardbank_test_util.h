// Small file helpers for the library's tests (the library stands alone, so
// its tests do not pull in the program's test helpers).
#ifndef LEXORA_CARDBANK_CARDBANK_TEST_UTIL_H_
#define LEXORA_CARDBANK_CARDBANK_TEST_UTIL_H_

#include <dirent.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace lexora::cardbank::testing {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "cardbank-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // Names of the entries in the folder, for spotting leftover temporaries.
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_)) {
      names.push_back(e.path().filename().string());
    }
    return names;
  }

 private:
  std::string path_;
};

inline std::vector<std::uint8_t> read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::uint32_t be32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return (std::uint32_t{b.at(at)} << 24) | (std::uint32_t{b.at(at + 1)} << 16) |
         (std::uint32_t{b.at(at + 2)} << 8) | std::uint32_t{b.at(at + 3)};
}

inline std::uint16_t be16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>((b.at(at) << 8) | b.at(at + 1));
}

inline void put_be32(std::vector<std::uint8_t>* b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b->at(at + i) = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

inline void put_be16(std::vector<std::uint8_t>* b, std::size_t at, std::uint16_t v) {
  b->at(at) = static_cast<std::uint8_t>(v >> 8);
  b->at(at + 1) = static_cast<std::uint8_t>(v);
}

// The record data the library writes for three texts.
inline std::vector<std::uint8_t> record_bytes(std::u16string_view word,
                                              std::u16string_view transcription,
                                              std::u16string_view translation) {
  std::vector<std::uint8_t> out;
  for (std::u16string_view text : {word, transcription, translation}) {
    for (char16_t u : text) {
      out.push_back(static_cast<std::uint8_t>(u & 0xFF));
      out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    out.insert(out.end(), {0, 0});
  }
  out.insert(out.end(), {0, 0});
  return out;
}

}  // namespace lexora::cardbank::testing

#endif  // LEXORA_CARDBANK_CARDBANK_TEST_UTIL_H_
