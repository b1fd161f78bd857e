// Writes ".zd" dictionaries of every format version from UTF-16 entries.
//
// The writer converts headwords to `words_code_page` and articles and
// abbreviations to `articles_code_page`, sorts the headwords into the order
// the lookup's binary search expects for the dictionary's collation mode (the
// same comparison the reader uses, on the headwords as they read back from
// the code page), and lays out header, words stream, abbreviations stream,
// block table, article blocks and, with FLAG_HAS_CHECKSUM, the checksum
// trailer.
//
// Versions 2 and 3 have no code-page or locale fields: their text is written
// in code page 1251 with locale 0x0019 whatever the options say, and version 2
// always has 100 articles per block. Any other version number is written with
// the 50-byte layout, which makes files for testing the reader's refusal.
#ifndef LEXORA_COMPILER_DICTIONARY_WRITER_H_
#define LEXORA_COMPILER_DICTIONARY_WRITER_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace lexora::compiler {

struct DictionarySource {
  // headword, article (UTF-16; converted to the code pages on writing)
  std::vector<std::pair<std::u16string, std::u16string>> entries;
  // abbreviation, expansion
  std::vector<std::pair<std::u16string, std::u16string>> abbreviations;
};

struct DictionaryOptions {
  std::int16_t version = 5;  // 2..5 (other values allowed, for broken fixtures)
  std::uint32_t words_code_page = 1251;
  std::uint32_t articles_code_page = 1251;
  std::uint32_t locale_id = 0x0019;
  std::uint32_t articles_per_block = 0;  // 0: the compiler's default
  std::uint32_t flags = 0;               // FLAG_* bits; FLAG_HAS_CHECKSUM adds the trailer
  bool sort = true;                      // false keeps the given order
};

// Chosen by measurement (bench/articles_bench.cc, README "Performance"):
// beyond about 50 articles a block compresses only slightly better while a
// random article takes twice as long to inflate per doubling.
inline constexpr std::uint32_t kCompilerArticlesPerBlock = 64;

// The bytes of a .zd file; empty with *error set when it cannot be written
// (a code page that cannot be converted, a text holding a 0 character, an
// abbreviation holding two spaces in a row, sizes beyond 32 bits).
std::vector<std::uint8_t> build_dictionary(const DictionarySource& source,
                                           const DictionaryOptions& options, std::string* error);
bool write_dictionary_file(const std::string& path, const DictionarySource& source,
                           const DictionaryOptions& options, std::string* error);

// Writes `bytes` to `path`, replacing it; false with *error set on failure.
bool write_bytes_file(const std::string& path, const std::vector<std::uint8_t>& bytes,
                      std::string* error);

// zlib stream of `data` (the one-call compress, default level).
std::vector<std::uint8_t> zlib_compress(const std::uint8_t* data, std::size_t size);

}  // namespace lexora::compiler

#endif  // LEXORA_COMPILER_DICTIONARY_WRITER_H_
