// Small dictd and StarDict dictionaries written by the tests themselves:
// the index and data files, and a dictzip ".dz" with a chunk table.
#ifndef LEXORA_IMPORT_TEST_SOURCES_H_
#define LEXORA_IMPORT_TEST_SOURCES_H_

#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "testing/test_files.h"

namespace lexora::import::test {

// A number in dictd's base-64 digits.
inline std::string dictd_number(std::uint64_t v) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  do {
    out.insert(out.begin(), kDigits[v % 64]);
    v /= 64;
  } while (v != 0);
  return out;
}

inline void put_u16(std::string* out, std::uint16_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>(v >> 8));
}

// `text` as a dictzip file: gzip with an "RA" chunk table, each chunk of
// `chunk_length` bytes compressed with a full flush after it. With
// `name`, the header also carries FNAME (which moves the data start).
inline std::string dictzip(const std::string& text, std::uint16_t chunk_length,
                           const std::string& name = "") {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string data;
  std::vector<std::uint16_t> sizes;
  for (std::size_t at = 0; at < text.size() || (text.empty() && sizes.empty());
       at += chunk_length) {
    const std::size_t n = std::min<std::size_t>(chunk_length, text.size() - at);
    const bool last = at + n >= text.size();
    std::string out(n + 1024, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data() + at));
    z.avail_in = static_cast<uInt>(n);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, last ? Z_FINISH : Z_FULL_FLUSH);
    out.resize(out.size() - z.avail_out);
    sizes.push_back(static_cast<std::uint16_t>(out.size()));
    data += out;
    if (text.empty()) break;
  }
  deflateEnd(&z);
  std::string extra = "RA";
  put_u16(&extra, static_cast<std::uint16_t>(6 + 2 * sizes.size()));
  put_u16(&extra, 1);
  put_u16(&extra, chunk_length);
  put_u16(&extra, static_cast<std::uint16_t>(sizes.size()));
  for (std::uint16_t s : sizes) put_u16(&extra, s);
  std::string file = "\x1F\x8B\x08";
  file.push_back(static_cast<char>(0x04 | (name.empty() ? 0 : 0x08)));
  file += std::string(4, '\0') + "\x02\x03";
  put_u16(&file, static_cast<std::uint16_t>(extra.size()));
  file += extra;
  if (!name.empty()) file += name + '\0';
  file += data;
  const uLong crc =
      crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size()));
  for (int i = 0; i < 4; ++i) file.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
  for (int i = 0; i < 4; ++i) file.push_back(static_cast<char>((text.size() >> (8 * i)) & 0xFF));
  return file;
}

// A dictzip file made a plain gzip file: the header's extra field (and with
// it the chunk table) taken out. Its chunks still form one deflate stream.
inline std::string without_chunk_table(const std::string& dz) {
  const std::size_t extra_length =
      static_cast<unsigned char>(dz[10]) | (static_cast<unsigned char>(dz[11]) << 8);
  std::string gz = dz.substr(0, 10) + dz.substr(12 + extra_length);
  gz[3] = static_cast<char>(gz[3] & ~0x04);
  return gz;
}

// Writes NAME.index and NAME.dict (or NAME.dict.dz) into `folder`; each
// entry is (headword, text); entries with the same text share it, as dictd
// indexes do. Returns the .index path.
inline std::string write_dictd(const std::string& folder, const std::string& name,
                               const std::vector<std::pair<std::string, std::string>>& entries,
                               bool compressed, std::uint16_t chunk_length = 64) {
  std::string dict, index;
  std::vector<std::pair<std::string, std::size_t>> placed;
  for (const auto& [headword, text] : entries) {
    std::size_t offset = dict.size();
    bool found = false;
    for (const auto& [t, o] : placed)
      if (t == text) {
        offset = o;
        found = true;
      }
    if (!found) {
      placed.emplace_back(text, offset);
      dict += text;
    }
    index += headword + "\t" + dictd_number(offset) + "\t" + dictd_number(text.size()) + "\n";
  }
  const std::string base = folder + "/" + name;
  lexora::test::write_file(base + ".index", index);
  if (compressed)
    lexora::test::write_file(base + ".dict.dz", dictzip(dict, chunk_length, name + ".dict"));
  else
    lexora::test::write_file(base + ".dict", dict);
  return base + ".index";
}

inline void put_u32_be(std::string* out, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A StarDict dictionary: NAME.ifo, NAME.idx, NAME.dict (each entry's data
// given as it is stored) and, when `synonyms` is not empty, NAME.syn.
struct StardictSource {
  std::vector<std::pair<std::string, std::string>> entries;  // headword, data
  std::vector<std::pair<std::string, std::uint32_t>> synonyms;
  std::string same_type_sequence;
  bool offsets64 = false;
  // Each offset and size in 8 bytes (the 4 big-endian ones, then 4 zero
  // bytes), the .ifo as usual: what dictd2dic of some builds for 64-bit
  // systems writes.
  bool padded_numbers = false;
  std::string bookname = "Test";
};

inline std::string write_stardict(const std::string& folder, const std::string& name,
                                  const StardictSource& s) {
  std::string dict, idx, syn;
  for (const auto& [word, data] : s.entries) {
    idx += word + '\0';
    if (s.offsets64) put_u32_be(&idx, 0);
    put_u32_be(&idx, static_cast<std::uint32_t>(dict.size()));
    if (s.padded_numbers) put_u32_be(&idx, 0);
    put_u32_be(&idx, static_cast<std::uint32_t>(data.size()));
    if (s.padded_numbers) put_u32_be(&idx, 0);
    dict += data;
  }
  for (const auto& [word, target] : s.synonyms) {
    syn += word + '\0';
    put_u32_be(&syn, target);
  }
  std::string ifo =
      "StarDict's dict ifo file\nversion=" + std::string(s.offsets64 ? "3.0.0" : "2.4.2") +
      "\nbookname=" + s.bookname + "\nwordcount=" + std::to_string(s.entries.size()) +
      "\nidxfilesize=" + std::to_string(idx.size()) + "\n";
  if (s.offsets64) ifo += "idxoffsetbits=64\n";
  if (!s.same_type_sequence.empty()) ifo += "sametypesequence=" + s.same_type_sequence + "\n";
  if (!s.synonyms.empty()) ifo += "synwordcount=" + std::to_string(s.synonyms.size()) + "\n";
  const std::string base = folder + "/" + name;
  lexora::test::write_file(base + ".ifo", ifo);
  lexora::test::write_file(base + ".idx", idx);
  lexora::test::write_file(base + ".dict", dict);
  if (!s.synonyms.empty()) lexora::test::write_file(base + ".syn", syn);
  return base + ".ifo";
}

}  // namespace lexora::import::test

#endif  // LEXORA_IMPORT_TEST_SOURCES_H_
