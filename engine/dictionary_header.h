// The ".zd" header as the reader sees it, whatever the file's version.
#ifndef LEXORA_ENGINE_DICTIONARY_HEADER_H_
#define LEXORA_ENGINE_DICTIONARY_HEADER_H_

#include <cstddef>
#include <cstdint>

namespace lexora {

// Header sizes by version: version 2 is laid out differently, version 3 ends
// after `flags`, versions 4 and 5 add the code pages and the locale.
inline constexpr std::size_t kHeaderSizeV2 = 36;
inline constexpr std::size_t kHeaderSizeV3 = 38;
inline constexpr std::size_t kHeaderSizeV4 = 50;

inline constexpr std::int16_t kMinVersion = 2;
inline constexpr std::int16_t kMaxVersion = 5;

// Values the older versions lack.
inline constexpr std::uint32_t kDefaultArticlesPerBlock = 100;
inline constexpr std::uint32_t kDefaultCodePage = 1251;
inline constexpr std::uint32_t kRussianLocale = 0x0019;

// Flag bits; others are ignored and written as 0.
inline constexpr std::uint32_t FLAG_LOCALE_COLLATION = 0x02;
inline constexpr std::uint32_t FLAG_HAS_CHECKSUM = 0x04;
inline constexpr std::uint32_t FLAG_NO_AUTO_FORMAT = 0x08;

inline constexpr std::size_t kChecksumSize = 4;
inline constexpr std::size_t kBlockHeaderSize = 8;

struct DictionaryHeader {
  std::int16_t version = 0;
  std::uint32_t word_count = 0;
  std::uint32_t words_size = 0;
  std::uint32_t words_packed_size = 0;
  std::uint32_t articles_per_block = 0;
  std::uint32_t block_count = 0;
  std::uint32_t abbrev_count = 0;
  std::uint32_t abbrevs_size = 0;
  std::uint32_t abbrevs_packed_size = 0;
  std::uint32_t flags = 0;
  std::uint32_t words_code_page = 0;
  std::uint32_t articles_code_page = 0;
  std::uint32_t locale_id = 0;
};

}  // namespace lexora

#endif  // LEXORA_ENGINE_DICTIONARY_HEADER_H_
