// The dictionary engine: one open ".zd" file with its word list in memory.
//
// Texts handed out (word_at, article_at, expand_abbreviation, the page
// buffer) are views into scratch buffers owned by the Dictionary. Each stays
// valid only until the next call that reuses the same buffer: word_at and
// expand_abbreviation share the wide-word buffer, article_at uses the
// wide-text buffer, and find_word overwrites both. Callers copy what they keep.
//
// Operations on a closed dictionary are not refused: they return nothing or 0.
// One instance is single-threaded (its scratch buffers are shared).
//
// Errors and warnings (integrity errors, unsupported code pages, a plug-in
// without its export) are Status values: recorded as last_error() where an
// operation fails, and handed to the dictionary's listener as they happen.
// The engine shows no message itself; only the out-of-memory stop ends the
// process.
#ifndef LEXORA_ENGINE_DICTIONARY_H_
#define LEXORA_ENGINE_DICTIONARY_H_

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dictionary_header.h"
#include "engine/inflate.h"
#include "engine/status.h"
#include "engine/word_compare.h"

namespace lexora {

class ResourcePack;

// Result codes of verify_checksum().
enum ChecksumResult : int {
  kChecksumOk = 0,
  kChecksumMismatch = 1,
  kChecksumAbsent = 2,
  kChecksumUnreadable = 3,
};

// Outcome of refine_match(): the chosen position and whether a headword
// passed one of the tests.
struct RefineResult {
  std::uint32_t position = 0;
  bool matched = false;
};

// How one lookup treats its text. The dictionary's own setting applies where
// a field is left unset, so a caller that wants another trimming for one
// lookup says so here instead of changing the dictionary's default.
struct LookupOptions {
  // Trim punctuation around the text; unset: set_ignore_punctuation's value.
  std::optional<bool> ignore_punctuation;
  // Let the word-conversion plug-in (libconv.so) be asked once when nothing
  // matches.
  bool allow_conversion = true;
};

class Dictionary {
 public:
  Dictionary();
  ~Dictionary();
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;

  // --- Errors ---

  // Who hears of this dictionary's problems: `listener` gets every status
  // with a message (errors and warnings) as the operation meets it, in
  // order, on the calling thread. None set: they are only recorded.
  void set_status_listener(StatusListener listener) { listener_ = std::move(listener); }
  // Why the last open_dictionary or article_at failed: OK when it succeeded,
  // and when article_at found no such article (no error to tell of).
  const Status& last_error() const { return last_error_; }

  // --- Opening and word index ---

  // Opens `path` (UTF-8, "/" separators) and loads its word and abbreviation
  // lists and block table; opens the ".zpak" pack beside it when there is one.
  // Any open dictionary is closed first. On false nothing is open and
  // last_error() says why (kCannotOpen when the file does not open at all;
  // every other reason has gone to the listener as well). Unsupported code
  // pages go to the listener as warnings, and opening goes on.
  bool open_dictionary(const std::string& path);
  void close_dictionary();
  bool is_open() const { return file_ != nullptr; }

  // The header image; all zero while closed.
  const DictionaryHeader& header() const { return header_; }
  std::uint32_t word_count() const { return header_.word_count; }
  const std::string& path() const { return path_; }
  // Locale collation: FLAG_LOCALE_COLLATION, or a locale other than 0x0019.
  bool use_locale() const;

  // Headword `index` in UTF-16; nothing when index >= word_count.
  std::optional<std::u16string_view> word_at(std::uint32_t index);
  // The raw headword bytes in words_code_page (no conversion), for tools.
  // Reads only data loaded at opening, so other threads may call it while
  // nothing opens or closes the dictionary.
  std::optional<std::string_view> raw_word_at(std::uint32_t index) const;
  // The block table as read at opening (one file offset per article block;
  // the offsets are checked against the file when a block is read).
  std::span<const std::uint32_t> block_offsets() const { return block_table_; }

  // The dictionary's default punctuation trimming (the user's setting for
  // this file); a lookup's LookupOptions may override it for that lookup.
  void set_ignore_punctuation(bool on) { ignore_punctuation_ = on; }
  bool ignore_punctuation() const { return ignore_punctuation_; }

  // --- Lookup ---

  // Position of the headword best matching `text`. `exact_out` (optional)
  // receives whether a headword equal to the key, case ignored, was found; it
  // is left untouched for an empty dictionary, which returns 0. Changes no
  // setting of the dictionary.
  std::uint32_t find_word(std::u16string_view text, bool* exact_out,
                          const LookupOptions& options = {});
  // The same under the dictionary's punctuation setting; `allow_conversion`
  // as in LookupOptions.
  std::uint32_t find_word(std::u16string_view text, bool* exact_out, bool allow_conversion) {
    return find_word(text, exact_out, LookupOptions{.allow_conversion = allow_conversion});
  }
  // Negative, zero or positive as `key` sorts before, equal to or after
  // `word`, over at most n characters (kWholeString for entire strings).
  // `lowered_key` may be null; it is then computed.
  int compare_words(std::u16string_view key, const std::u16string* lowered_key,
                    std::u16string_view word, std::size_t n, bool ignore_case, bool use_locale);
  RefineResult refine_match(std::u16string_view key, std::u16string_view lowered_key,
                            std::uint32_t pos, std::size_t n);

  // --- Articles and abbreviations ---

  // Article `index` in UTF-16, exactly as stored (markup untouched). Nothing
  // when there is no such article; an empty article is an empty view.
  // Nothing with last_error() set when the block cannot be read or is
  // damaged ("Integrity error").
  std::optional<std::u16string_view> article_at(std::uint32_t index);
  std::optional<std::u16string_view> expand_abbreviation(std::u16string_view key);

  // --- Integrity check ---
  ChecksumResult verify_checksum();

  // --- Resource pack ---

  // The bytes of pack entry `name` ("/" is taken as "\"), or null: copied
  // or inflated into `buffer` (owned by the caller), which the pointer
  // addresses; `size_out` receives the number of valid bytes. An entry larger
  // than `max_size` is not read (see ResourcePack::read_entry).
  const std::uint8_t* read_pack_entry(std::u16string_view name, std::uint32_t* size_out,
                                      std::vector<std::uint8_t>* buffer,
                                      std::size_t max_size = kMaxPackEntrySize);
  // The open pack, or null when the dictionary has none.
  const ResourcePack* pack() const { return pack_.get(); }

  // Number of article blocks inflated since construction (the cache's
  // effect, for tests and benchmarks).
  std::uint64_t block_loads() const { return block_loads_; }

 private:
  // The tests of the failure paths break the stream and the block reads
  // (testing/dictionary_test_peer.h).
  friend class DictionaryTestPeer;

  // Records `status` as the operation's error and tells the listener.
  void fail(const Status& status);
  // Tells the listener of a problem the operation goes on after.
  void warn(const Status& status);

  bool load_stream(std::uint32_t packed_size, std::uint32_t unpacked_size,
                   std::uint32_t string_count, std::vector<char>* buffer,
                   std::vector<const char*>* table);
  // Opens the pack beside path_ (path_ must already hold the file's path);
  // no pack when it is missing or malformed.
  void open_pack();
  // The stream check before reading an article: true when the stream can
  // still seek; otherwise the file and pack are reopened from path_ once.
  // False (after reporting "Integrity error") when that fails too.
  bool check_stream();
  bool reopen_stream();
  // kReadFailed: a read failed or came back short although the file's size
  // says the bytes are there (nothing reported yet; the caller may retry on
  // a reopened stream). kFailed: bad data, "Integrity error" reported.
  enum class BlockLoad { kLoaded, kFailed, kReadFailed };
  BlockLoad load_block(std::uint32_t block);
  std::size_t read_block_bytes(void* buffer, std::size_t size);
  bool block_holds_its_articles(std::uint32_t block) const;
  // Text in articles_code_page to UTF-16; false when the code page is not
  // supported.
  bool decode_article_text(std::string_view bytes, std::u16string* out);

  DictionaryHeader header_{};
  std::uint32_t block_unpacked_size_ = 0;
  std::uint32_t block_packed_size_ = 0;
  std::FILE* file_ = nullptr;
  std::uint64_t file_size_ = 0;
  std::unique_ptr<ResourcePack> pack_;
  std::vector<std::uint32_t> block_table_;
  std::vector<char> block_cache_;
  std::int32_t cached_block_ = -1;
  std::vector<std::uint8_t> packed_block_;  // compressed bytes of the block being loaded
  // Decodes articles and expansions from articles_code_page (table-driven
  // for single-byte code pages); made on first use, remade when the code
  // page changes.
  std::unique_ptr<WordCodec> article_codec_;
  std::uint64_t block_loads_ = 0;
  // Block reads still to fail, and whether they come back short instead
  // (set by DictionaryTestPeer only).
  int failing_reads_ = 0;
  bool short_reads_ = false;
  std::vector<char> words_;
  std::vector<const char*> word_table_;
  std::vector<char> abbrevs_;
  std::vector<const char*> abbrev_table_;
  std::u16string wide_word_;
  std::u16string wide_text_;
  std::string multibyte_key_;
  std::string path_;
  // Decodes, lower-cases and compares headwords for the open file's code
  // page and locale; null while closed.
  std::unique_ptr<WordComparer> comparer_;
  bool ignore_punctuation_ = false;
  StatusListener listener_;
  Status last_error_;
};

}  // namespace lexora

#endif  // LEXORA_ENGINE_DICTIONARY_H_
