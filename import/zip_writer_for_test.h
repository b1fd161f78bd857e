// Builds small zip archives with zlib for the tests of the archive and media
// readers: stored or deflated entries, a central directory and an end record.
#ifndef LEXORA_IMPORT_ZIP_WRITER_FOR_TEST_H_
#define LEXORA_IMPORT_ZIP_WRITER_FOR_TEST_H_

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/byte_cursor.h"

namespace lexora::import {

struct ZipSourceFile {
  std::string name;
  std::vector<std::uint8_t> data;
  bool deflate = true;
};

inline std::vector<std::uint8_t> bytes_of(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

inline std::vector<std::uint8_t> raw_deflate(const std::vector<std::uint8_t>& data) {
  z_stream z{};
  deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::vector<std::uint8_t> out(deflateBound(&z, data.size()));
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

inline std::vector<std::uint8_t> build_zip(const std::vector<ZipSourceFile>& files) {
  std::vector<std::uint8_t> zip;
  std::vector<std::uint8_t> directory;
  ByteWriter w(&zip);
  ByteWriter d(&directory);
  for (const ZipSourceFile& f : files) {
    const std::vector<std::uint8_t> body = f.deflate ? raw_deflate(f.data) : f.data;
    const std::uint32_t crc =
        static_cast<std::uint32_t>(crc32(0, f.data.data(), static_cast<uInt>(f.data.size())));
    const std::uint16_t method = f.deflate ? 8 : 0;
    const std::uint32_t offset = static_cast<std::uint32_t>(zip.size());
    w.put_u32(0x04034b50);
    w.put_u16(20);
    w.put_u16(0);
    w.put_u16(method);
    w.put_u32(0);  // time and date
    w.put_u32(crc);
    w.put_u32(static_cast<std::uint32_t>(body.size()));
    w.put_u32(static_cast<std::uint32_t>(f.data.size()));
    w.put_u16(static_cast<std::uint16_t>(f.name.size()));
    w.put_u16(0);
    w.put_bytes(f.name);
    w.put_bytes(body);

    d.put_u32(0x02014b50);
    d.put_u16(20);
    d.put_u16(20);
    d.put_u16(0);
    d.put_u16(method);
    d.put_u32(0);
    d.put_u32(crc);
    d.put_u32(static_cast<std::uint32_t>(body.size()));
    d.put_u32(static_cast<std::uint32_t>(f.data.size()));
    d.put_u16(static_cast<std::uint16_t>(f.name.size()));
    d.put_u16(0);
    d.put_u16(0);
    d.put_u16(0);
    d.put_u16(0);
    d.put_u32(0);
    d.put_u32(offset);
    d.put_bytes(f.name);
  }
  const std::uint32_t directory_offset = static_cast<std::uint32_t>(zip.size());
  w.put_bytes(directory);
  w.put_u32(0x06054b50);
  w.put_u16(0);
  w.put_u16(0);
  w.put_u16(static_cast<std::uint16_t>(files.size()));
  w.put_u16(static_cast<std::uint16_t>(files.size()));
  w.put_u32(static_cast<std::uint32_t>(directory.size()));
  w.put_u32(directory_offset);
  w.put_u16(0);
  return zip;
}

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_ZIP_WRITER_FOR_TEST_H_
