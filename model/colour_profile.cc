#include "model/colour_profile.h"

#include <array>
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
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return kProfileCannotOpen;
  // Only the first 72 bytes matter; a shorter read is judged by the parser.
  std::array<std::uint8_t, kColourProfileSize> head{};
  const std::size_t got = std::fread(head.data(), 1, head.size(), file.get());
  return apply_colour_profile(std::span<const std::uint8_t>(head.data(), got), table);
}

}  // namespace lexora
