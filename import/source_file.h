// Reading a whole source file into memory, plain or gzip-compressed (a
// dictzip ".dz" file is a gzip file and is read from its start).
#ifndef LEXORA_IMPORT_SOURCE_FILE_H_
#define LEXORA_IMPORT_SOURCE_FILE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace lexora::import {

// Sources larger than this (unpacked) cannot become a dictionary anyway.
inline constexpr std::uint64_t kMaxSourceSize = 2ull << 30;

// The file's unpacked bytes into *bytes. False with *error set when it cannot
// be opened or read, when its compressed data is damaged, or when it unpacks
// to more than kMaxSourceSize bytes.
bool read_source_file(const std::string& path, std::vector<std::uint8_t>* bytes,
                      std::string* error);

// True when `path` names a regular file.
bool file_exists(const std::string& path);

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_SOURCE_FILE_H_
