// A generated dictionary of GCIDE's size for the DICT server benchmarks,
// written in both formats from the same entries: a .zd through our compiler,
// and a dictd database (.index + .dict) written here, whose texts are the
// plain text lexora-dictd itself sends, so both servers send the same bytes.
#ifndef LEXORA_BENCH_DICTD_BENCH_DATA_H_
#define LEXORA_BENCH_DICTD_BENCH_DATA_H_

#include <cstdint>
#include <string>
#include <vector>

namespace lexora::bench {

struct GeneratedData {
  std::string zd_path;
  std::string dictd_index_path;
  std::string dictd_dict_path;
  std::vector<std::string> headwords;  // UTF-8, as generated (some repeat)
};

// Writes both forms into `folder` (created; files readable by everyone, as
// dictd drops its privileges when started by root). `count` headwords,
// articles of about 200 bytes like GCIDE's.
GeneratedData generate_dictionaries(const std::string& folder, std::size_t count,
                                    std::uint32_t seed);

// A word near `word`: one (or two) random edits of its letters.
std::string misspell(const std::string& word, int edits, std::uint32_t seed);

}  // namespace lexora::bench

#endif  // LEXORA_BENCH_DICTD_BENCH_DATA_H_
