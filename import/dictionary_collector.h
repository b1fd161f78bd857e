// The conversion side of an import: an ImportSink that collects what a
// format reader gives and writes it as a ".zd" dictionary (and ".zpak" pack).
//
// Articles are kept once, as UTF-8, compressed in chunks (article_store.h),
// or, when the reader can make them again from the source, not at all;
// headwords in a compact table that leads each headword to its articles. Articles of the same
// headword are merged into one, in the order the source gave them, separated by a rule. Synonyms
// and alternative headwords (every headword of an article after the first) lead to the same article
// text: a copy of the article under the synonym (the text is stored once in memory but written
// again in the synonym's own block) or a short article that links to the headword.
//
// On writing, the words and articles code pages are chosen separately as the
// smallest Windows code page that holds every character (else UTF-8), the
// locale comes from the options or the source's language, headwords are
// sorted with the compiler's comparison and the articles are streamed out
// block by block.
#ifndef LEXORA_IMPORT_DICTIONARY_COLLECTOR_H_
#define LEXORA_IMPORT_DICTIONARY_COLLECTOR_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/pack_writer.h"
#include "import/article_store.h"
#include "import/character_use.h"
#include "import/headword_table.h"
#include "import/import_sink.h"
#include "import/import_stats.h"
#include "import/languages.h"
#include "import/large_table.h"

namespace lexora::import {

enum class SynonymMode { kCopy, kLink };

struct ConversionOptions {
  // Windows locale id of a source that names no language it is known by.
  std::uint32_t default_locale_id = kDefaultImportLocale;
  // Link by default: GCIDE's texts shared by several headwords, copied under
  // each, grow the file from 17 to 36 MB and the time to write it 2.3 times.
  SynonymMode synonyms = SynonymMode::kLink;
  // Articles that the reader can make again from the source are read from
  // it again on writing instead of being held (the default; false holds
  // them compressed like any other).
  bool reread_sources = true;
  // Called while reading (the reader's units) and writing; false cancels.
  std::function<bool(std::uint64_t done, std::uint64_t total)> read_progress;
  std::function<bool(std::uint64_t done, std::uint64_t total)> write_progress;
};

// Separates merged articles of one headword.
inline constexpr std::string_view kMergedArticleSeparator = "<hr>";

class DictionaryCollector final : public ImportSink {
 public:
  explicit DictionaryCollector(ConversionOptions options);
  ~DictionaryCollector() override;

  void add_article(std::vector<std::string> headwords, std::string markup) override;
  void add_preformatted_article(std::vector<std::string> headwords, std::string markup) override;
  void expect(std::size_t articles, std::size_t headwords, std::size_t headword_bytes) override;
  void set_article_source(std::shared_ptr<ArticleSource> source) override;
  void add_sourced_preformatted_article(std::span<const std::string_view> headwords,
                                        std::string_view markup, SourceSpan span) override;
  void add_sourced_preformatted_articles(std::span<const SourcedArticle> articles) override;
  void add_synonym(std::string headword, std::string target) override;
  void add_abbreviation(std::string key, std::string expansion) override;
  void add_media(std::string name, std::vector<std::uint8_t> bytes) override;
  void skip(const SkipReason& why) override;
  void set_languages(const std::string& from, const std::string& to) override;
  void set_title(const std::string& title) override;
  bool progress(std::uint64_t done, std::uint64_t total) override;

  // Writes the dictionary to `dictionary_path` and, when media were added,
  // the pack to `pack_path`. False with *error set when nothing can be
  // written (no articles, a file that cannot be written, cancelled); the
  // caller removes what was partly written.
  bool write(const std::string& dictionary_path, const std::string& pack_path, std::string* error);
  bool has_media() const { return !media_.empty(); }

  ImportStats& stats() { return stats_; }

 private:
  // Article numbers with this bit lead to a link to the headword entry in
  // the other bits (link mode's synonyms), made on writing.
  static constexpr std::uint32_t kLinkArticle = 0x80000000u;
  void link_markup(std::uint32_t entry, std::string* out) const;
  bool is_preformatted(std::uint32_t article) const { return articles_.preformatted(article); }
  // `span`: where the article's source lies, when the source can make it
  // again; null for an article held in memory.
  void add(std::span<const std::string_view> headwords, std::string_view markup, bool preformatted,
           const SourceSpan* span);
  void add(const std::vector<std::string>& headwords, std::string_view markup, bool preformatted);
  void resolve_synonyms();

  friend class CollectorWriter;

  ConversionOptions options_;
  ImportStats stats_;
  ArticleStore articles_;
  HeadwordTable headwords_;
  // Pairs synonym, target, each followed by a 0 byte.
  LargeString synonyms_;
  std::vector<std::pair<std::string, std::string>> abbreviations_;
  std::vector<compiler::PackSourceEntry> media_;
  CharacterUse word_characters_;
  CharacterUse article_characters_;
  std::string language_from_;
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_DICTIONARY_COLLECTOR_H_
