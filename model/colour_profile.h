// The reader program's colour profile file, "Profile.lup":
//
//   offset 0   8 bytes   magic "LuRPrf01" (no terminator)
//   offset 8   4 bytes   not interpreted
//   offset 12  60 bytes  colour table entries 0 to 14, 4 bytes each, little-endian
//
// Bytes after offset 72 are not read.
#ifndef LEXORA_MODEL_COLOUR_PROFILE_H_
#define LEXORA_MODEL_COLOUR_PROFILE_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/colour_table.h"

namespace lexora {

inline constexpr std::string_view kColourProfileFileName = "Profile.lup";
inline constexpr std::string_view kColourProfileMagic = "LuRPrf01";
inline constexpr std::size_t kColourProfileBlockOffset = 12;
inline constexpr std::size_t kColourProfileSize = kColourProfileBlockOffset + kColourBlockSize;

enum ColourProfileResult : int {
  kProfileRead = 0,
  kProfileCannotOpen = 1,
  kProfileWrongMagic = 2,
  // The file ends inside its colour block. The table is left as it was
  // rather than mixing the profile's first colours with the old rest.
  kProfileTruncated = 3,
};

// Reads the profile at `path` (UTF-8) into `table`. Only kProfileRead changes
// the table. Callers may ignore the result.
ColourProfileResult load_colour_profile(const std::string& path, ColourTable* table);

// The same for the profile's bytes (at least its first 72; more are ignored).
ColourProfileResult apply_colour_profile(std::span<const std::uint8_t> bytes, ColourTable* table);

}  // namespace lexora

#endif  // LEXORA_MODEL_COLOUR_PROFILE_H_
