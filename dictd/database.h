// A dictionary served under a name.
//
// The matching data (folded keys and the fuzzy trie, the headwords in UTF-8)
// is built once, on a thread of its own started at open, so that the server
// can answer its first connection at once; a command that needs the data
// waits for it. Once built it is read-only and shared by every worker.
//
// Articles are read through Dictionary instances, which are single-threaded:
// a worker leases one for the time of one command and gives it back. The
// pool opens another instance when all are leased, so there are at most as
// many as there are workers reading at the same moment.
#ifndef LEXORA_DICTD_DATABASE_H_
#define LEXORA_DICTD_DATABASE_H_

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/dictionary_header.h"
#include "engine/fuzzy_index.h"

namespace lexora {
class Dictionary;
}

namespace lexora::dictd {

struct DatabaseConfig {
  std::string name;
  std::string path;
  std::string description;  // empty: the file name
};

// The read-only matching data of one database.
struct DatabaseIndex {
  FuzzyIndex fuzzy;
  std::string headword_text;                    // UTF-8 headwords, each followed by a 0
  std::vector<std::uint32_t> headword_offsets;  // headword i starts at offsets[i]
  double build_seconds = 0;

  std::uint32_t headword_count() const {
    return static_cast<std::uint32_t>(headword_offsets.size());
  }
  // Headword i as UTF-8; c_str() form for the regular-expression matcher.
  const char* headword_c_str(std::uint32_t i) const {
    return headword_text.data() + headword_offsets[i];
  }
  std::string_view headword(std::uint32_t i) const { return headword_c_str(i); }
  std::size_t memory_bytes() const;
};

// Builds the matching data of an open dictionary.
DatabaseIndex build_database_index(const Dictionary& dict);

class Database {
 public:
  // Opens `config.path`; nothing (with *error) when it does not open. The
  // matching data starts building at once.
  static std::unique_ptr<Database> open(const DatabaseConfig& config, std::string* error);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  const std::string& name() const { return name_; }
  const std::string& description() const { return description_; }
  const std::string& path() const { return path_; }
  const DictionaryHeader& header() const { return header_; }

  // The matching data; waits until it is built.
  const DatabaseIndex& index() const;
  // True once the matching data is there (does not wait).
  bool index_ready() const;

  // A Dictionary instance for the caller alone, given back to the pool when
  // the lease ends. Empty when the file can no longer be opened.
  class Lease {
   public:
    Lease(Database* owner, std::unique_ptr<Dictionary> dict);
    ~Lease();
    Lease(Lease&&) noexcept = default;
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    Lease& operator=(Lease&&) = delete;
    explicit operator bool() const { return dict_ != nullptr; }
    Dictionary& operator*() const { return *dict_; }
    Dictionary* operator->() const { return dict_.get(); }

   private:
    Database* owner_;
    std::unique_ptr<Dictionary> dict_;
  };
  Lease lease();

  // Instances opened so far (for SHOW INFO and the tests).
  std::size_t instances_opened() const;

 private:
  Database() = default;
  void give_back(std::unique_ptr<Dictionary> dict);

  std::string name_;
  std::string description_;
  std::string path_;
  DictionaryHeader header_{};

  mutable std::mutex index_mutex_;
  mutable std::condition_variable index_built_;
  std::unique_ptr<DatabaseIndex> index_;
  std::thread builder_;

  mutable std::mutex pool_mutex_;
  std::vector<std::unique_ptr<Dictionary>> idle_;
  std::size_t opened_ = 0;
};

// The database name for a file: its name without folders and extension.
std::string database_name_for_path(std::string_view path);
// A name a client can send as one word: not empty, no blanks, quotes,
// backslashes or control characters, and not "*" or "!".
bool is_valid_database_name(std::string_view name);

}  // namespace lexora::dictd

#endif  // LEXORA_DICTD_DATABASE_H_
