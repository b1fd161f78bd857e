// A whole file mapped read-only into memory, for sources too large to copy
// (media archives). An empty file maps to an empty span.
#ifndef LEXORA_IMPORT_MAPPED_FILE_H_
#define LEXORA_IMPORT_MAPPED_FILE_H_

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace lexora::import {

class MappedFile {
 public:
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Null (with *error set) when `path` is not a regular file that can be
  // opened and mapped.
  static std::unique_ptr<MappedFile> open(const std::string& path, std::string* error);

  // Valid while this object lives.
  std::span<const std::uint8_t> bytes() const { return {data_, size_}; }

 private:
  MappedFile(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_MAPPED_FILE_H_
