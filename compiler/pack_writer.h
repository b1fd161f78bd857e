// Writes ".zpak" resource packs: the pictures, sounds and style sheet that a
// dictionary's articles refer to by name (engine/resource_pack.h has the
// layout).
#ifndef LEXORA_COMPILER_PACK_WRITER_H_
#define LEXORA_COMPILER_PACK_WRITER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace lexora::compiler {

struct PackSourceEntry {
  // Stored as given; the pack's own separator is "\" (folders use it).
  std::u16string name;
  std::vector<std::uint8_t> data;
  // Store the data as a zlib stream. Data that does not get smaller (pictures
  // and sounds usually do not) is stored as it is all the same, so that
  // readers get it without a copy.
  bool compress = true;
};

struct PackOptions {
  // 0, 1 and 2 are read; other values are allowed for broken fixtures.
  std::int16_t version = 2;
  // Sort the directory by name (unsigned UTF-16 code units), as every
  // version but 1 requires; false keeps the given order.
  bool sort = true;
};

// The bytes of a pack holding `entries`; empty with *error set when they
// cannot be written (an empty or duplicate name, a name holding a 0 unit, or
// a pack that outgrows 32-bit offsets). An entry with no data is written with
// size 0, which readers treat as unreadable.
std::vector<std::uint8_t> build_pack(const std::vector<PackSourceEntry>& entries,
                                     const PackOptions& options, std::string* error);
bool write_pack_file(const std::string& path, const std::vector<PackSourceEntry>& entries,
                     const PackOptions& options, std::string* error);

// Every regular file below `folder` (UTF-8 path), named by its path relative
// to the folder with "\" between the parts ("img\cat.png"), all compressible.
// False with *error set when the folder cannot be read.
bool read_pack_folder(const std::string& folder, std::vector<PackSourceEntry>* entries,
                      std::string* error);
// read_pack_folder, then build_pack.
std::vector<std::uint8_t> build_pack_from_folder(const std::string& folder,
                                                 const PackOptions& options, std::string* error);

}  // namespace lexora::compiler

#endif  // LEXORA_COMPILER_PACK_WRITER_H_
