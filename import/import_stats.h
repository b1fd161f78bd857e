// What an import read, wrote and left out, for `lexora-cli import --stats`
// and the program's messages.
#ifndef LEXORA_IMPORT_IMPORT_STATS_H_
#define LEXORA_IMPORT_IMPORT_STATS_H_

#include <cstdint>
#include <map>
#include <string>

namespace lexora::import {

struct ImportStats {
  std::string format;  // "dictd", "stardict", "dsl", "xdxf"
  std::string title;
  std::uint64_t articles_read = 0;
  // Every headword the source gave: each article's headwords and synonyms.
  std::uint64_t headwords_read = 0;
  std::uint64_t synonyms_read = 0;
  // Headwords in the written dictionary (each with one article).
  std::uint64_t headwords_written = 0;
  // Articles joined to an earlier article of the same headword.
  std::uint64_t articles_merged = 0;
  std::uint64_t abbreviations = 0;
  std::uint64_t media_files = 0;
  std::uint32_t words_code_page = 0;
  std::uint32_t articles_code_page = 0;
  std::uint32_t locale_id = 0;
  std::uint64_t dictionary_bytes = 0;
  std::uint64_t pack_bytes = 0;
  // Parts of the source left out, counted by reason.
  std::map<std::string, std::uint64_t> skipped;
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_IMPORT_STATS_H_
