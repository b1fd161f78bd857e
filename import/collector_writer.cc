// DictionaryCollector::write: code pages, locale, order, and the streamed
// ".zd" and ".zpak".
#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <span>

#include "compiler/block_compressor.h"
#include "compiler/dictionary_stream_writer.h"
#include "compiler/headword_order.h"
#include "engine/dictionary_header.h"
#include "import/dictionary_collector.h"
#include "import/languages.h"
#include "import/ordered_runs.h"
#include "import/text_encoder.h"
#include "platform/nls.h"
#include "platform/utf.h"

namespace lexora::import {
namespace {

bool fail(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
  return false;
}

// Progress is reported about every this many articles.
constexpr std::size_t kProgressStep = 4096;
// Blocks made in one run on a worker: consecutive articles mostly lie in
// the same chunks of a source read again, which each worker inflates for
// itself, so long runs keep the chunks inflated twice few.
constexpr std::size_t kBlocksPerRun = 32;

// Blocks of articles made and deflated on a worker, back to back.
struct PackedRun {
  struct Block {
    std::uint32_t articles;
    std::size_t unpacked_size;
    std::size_t packed_end;  // in `packed`
  };
  std::vector<std::uint8_t> packed;
  std::vector<Block> blocks;
  bool failed = false;
  std::string error;

  std::span<const std::uint8_t> packed_block(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : blocks[i - 1].packed_end;
    return std::span<const std::uint8_t>(packed).subspan(begin, blocks[i].packed_end - begin);
  }
  void clear() {
    packed.clear();
    blocks.clear();
    failed = false;
    error.clear();
  }
};

}  // namespace

class CollectorWriter {
 public:
  explicit CollectorWriter(DictionaryCollector& c) : c_(c) {}

  bool write(const std::string& dictionary_path, const std::string& pack_path, std::string* error);

 private:
  void choose_header();
  std::vector<std::uint32_t> order() const;
  bool encode_words(const std::vector<std::uint32_t>& order, std::string* words,
                    std::string* error);
  std::string encode_abbreviations(std::uint32_t* count);
  // Begins the file with begin() while worker threads make the first
  // blocks, then writes the blocks to *w in order.
  bool write_articles(const std::vector<std::uint32_t>& order, const std::function<bool()>& begin,
                      compiler::DictionaryStreamWriter* w, std::string* error);

  // What one thread needs to make articles: its own encoder and, when the
  // source gives one, its own reader of the source.
  struct Maker {
    explicit Maker(std::uint32_t code_page)
        : encoder(code_page), deflater(compiler::BlockCompression::kFast) {}
    TextEncoder encoder;
    std::unique_ptr<ArticleSource> source;
    compiler::BlockDeflater deflater;
    std::string made, link, block;
    std::vector<std::uint8_t> packed;
  };
  // The text of headword `entry` (its articles merged) in the articles'
  // code page, appended to *out.
  bool make_article(std::uint32_t entry, Maker& maker, std::string* out, std::string* error);
  // Appends article `article`'s markup, read from the store, in the code page.
  bool append_stored(std::uint32_t article, Maker& maker, std::string* out, std::string* error);
  // Makes and deflates the blocks of the articles of order[from, to) into *run.
  void make_blocks(const std::vector<std::uint32_t>& order, std::size_t from, std::size_t to,
                   std::uint32_t per_block, Maker& maker, PackedRun* run);

  DictionaryCollector& c_;
  // Serialises reads through the store's own cache and source, for texts
  // held in memory and for sources that give no reader per thread.
  std::mutex store_mutex_;
  compiler::DictionaryOptions options_;
};

void CollectorWriter::choose_header() {
  std::uint32_t locale = locale_for_language(c_.language_from_);
  if (locale == 0) locale = c_.options_.default_locale_id;
  const std::uint32_t preferred = ansi_code_page_of(locale);
  options_.version = 5;
  options_.locale_id = locale;
  options_.words_code_page = c_.word_characters_.smallest_code_page(preferred);
  options_.articles_code_page = c_.article_characters_.smallest_code_page(preferred);
  // Imported markup is explicit: the auto-formatting rules would mistake
  // numbered lines and underscores of the source for their own.
  options_.flags = FLAG_NO_AUTO_FORMAT | FLAG_HAS_CHECKSUM;
  options_.articles_per_block = compiler::kCompilerArticlesPerBlock;
  c_.stats_.words_code_page = options_.words_code_page;
  c_.stats_.articles_code_page = options_.articles_code_page;
  c_.stats_.locale_id = locale;
}

std::vector<std::uint32_t> CollectorWriter::order() const {
  return compiler::sort_headwords(
      c_.headwords_.size(),
      [&](std::size_t i) -> std::u16string_view {
        // Called from two threads at once: a buffer for each.
        thread_local std::u16string wide;
        wide = utf8_to_utf16(c_.headwords_.headword(static_cast<std::uint32_t>(i)));
        return wide;
      },
      options_.words_code_page, options_.locale_id, options_.flags,
      compiler::BlockCompressor::default_threads() > 1);
}

bool CollectorWriter::encode_words(const std::vector<std::uint32_t>& order, std::string* words,
                                   std::string* error) {
  TextEncoder encoder(options_.words_code_page);
  words->reserve(c_.headwords_.text_size() + order.size());
  for (std::uint32_t entry : order) {
    if (!encoder.append(c_.headwords_.headword(entry), false, words))
      return fail(error,
                  "a headword does not fit code page " + std::to_string(options_.words_code_page));
    words->push_back('\0');
  }
  return true;
}

std::string CollectorWriter::encode_abbreviations(std::uint32_t* count) {
  // One expansion per abbreviation: the first the source gave.
  std::stable_sort(c_.abbreviations_.begin(), c_.abbreviations_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  TextEncoder encoder(options_.articles_code_page);
  std::string out;
  *count = 0;
  for (std::size_t i = 0; i < c_.abbreviations_.size(); ++i) {
    const auto& [key, expansion] = c_.abbreviations_[i];
    if (i > 0 && c_.abbreviations_[i - 1].first == key) {
      c_.skip(SkipReason{"abbreviation given twice"});
      continue;
    }
    encoder.append(key, true, &out);
    out.append("  ");
    encoder.append(expansion, true, &out);
    out.push_back('\0');
    ++*count;
  }
  c_.stats_.abbreviations = *count;
  return out;
}

bool CollectorWriter::append_stored(std::uint32_t article, Maker& maker, std::string* out,
                                    std::string* error) {
  std::string_view markup;
  std::unique_lock<std::mutex> lock(store_mutex_, std::defer_lock);
  if (c_.articles_.sourced(article) && maker.source != nullptr) {
    if (!c_.articles_.read_sourced(article, *maker.source, &maker.made, error)) return false;
    markup = maker.made;
  } else {
    // The view lives until the store's next read: encoded under the lock.
    lock.lock();
    if (!c_.articles_.read(article, &markup, error)) return false;
  }
  const bool preformatted = c_.is_preformatted(article);
  if (preformatted) out->append(kPreformattedOpen);
  maker.encoder.append(markup, true, out);
  if (preformatted) out->append(kPreformattedClose);
  return true;
}

bool CollectorWriter::make_article(std::uint32_t entry, Maker& maker, std::string* out,
                                   std::string* error) {
  bool first = true;
  bool read = true;
  c_.headwords_.for_each_article(entry, [&](std::uint32_t article) {
    if (!read) return;
    if (!first) out->append(kMergedArticleSeparator);
    first = false;
    if ((article & DictionaryCollector::kLinkArticle) != 0) {
      maker.link.clear();
      c_.link_markup(article & ~DictionaryCollector::kLinkArticle, &maker.link);
      maker.encoder.append(maker.link, true, out);
      return;
    }
    read = append_stored(article, maker, out, error);
  });
  return read;
}

void CollectorWriter::make_blocks(const std::vector<std::uint32_t>& order, std::size_t from,
                                  std::size_t to, std::uint32_t per_block, Maker& maker,
                                  PackedRun* run) {
  for (std::size_t first = from; first < to; first += per_block) {
    const std::size_t end = std::min(to, first + per_block);
    maker.block.clear();
    for (std::size_t k = first; k < end; ++k) {
      const std::size_t start = maker.block.size();
      if (!make_article(order[k], maker, &maker.block, &run->error)) {
        run->failed = true;
        return;
      }
      if (maker.block.find('\0', start) != std::string::npos) {
        run->error = "an article holds a 0 byte";
        run->failed = true;
        return;
      }
      maker.block.push_back('\0');
    }
    maker.deflater.compress(reinterpret_cast<const std::uint8_t*>(maker.block.data()),
                            maker.block.size(), &maker.packed);
    run->packed.insert(run->packed.end(), maker.packed.begin(), maker.packed.end());
    run->blocks.push_back(
        {static_cast<std::uint32_t>(end - first), maker.block.size(), run->packed.size()});
  }
}

bool CollectorWriter::write_articles(const std::vector<std::uint32_t>& order,
                                     const std::function<bool()>& begin,
                                     compiler::DictionaryStreamWriter* w, std::string* error) {
  // Workers make whole blocks and deflate them; this thread writes them in
  // order. Runs are whole blocks, so the file is the same whatever the
  // number of threads.
  const unsigned threads = compiler::BlockCompressor::default_threads();
  std::vector<std::unique_ptr<Maker>> makers;
  for (unsigned i = 0; i < std::max(1u, threads); ++i) {
    makers.push_back(std::make_unique<Maker>(options_.articles_code_page));
    makers.back()->source = c_.articles_.another_source();
  }
  const std::uint32_t per_block = options_.articles_per_block;
  const std::size_t per_run = kBlocksPerRun * per_block;
  const std::size_t runs = (order.size() + per_run - 1) / per_run;
  OrderedRuns<PackedRun> made(threads, runs, [&](unsigned worker, std::size_t run, PackedRun* out) {
    make_blocks(order, run * per_run, std::min(order.size(), (run + 1) * per_run), per_block,
                *makers[worker], out);
  });
  if (!begin()) return false;
  if (w->articles_per_block() != per_block) return fail(error, "the file's blocks differ in size");
  std::size_t k = 0, next_report = 0;
  while (const PackedRun* run = made.next()) {
    if (run->failed) return fail(error, run->error);
    for (std::size_t i = 0; i < run->blocks.size(); ++i) {
      // Progress about every kProgressStep articles, as the blocks go out.
      if (k >= next_report) {
        if (c_.options_.write_progress && !c_.options_.write_progress(k, order.size()))
          return fail(error, "cancelled");
        next_report = k + kProgressStep;
      }
      const PackedRun::Block& block = run->blocks[i];
      if (!w->add_packed_block(block.articles, block.unpacked_size, run->packed_block(i), error))
        return false;
      k += block.articles;
    }
  }
  return true;
}

bool CollectorWriter::write(const std::string& dictionary_path, const std::string& pack_path,
                            std::string* error) {
  c_.resolve_synonyms();
  if (c_.headwords_.size() == 0) return fail(error, "the source holds no articles");
  choose_header();
  const std::vector<std::uint32_t> sorted = order();
  compiler::DictionaryStreamWriter writer;
  // Imports favour speed: the fastest deflate makes the file a few per cent
  // larger and the import several times faster (see README, Performance).
  writer.set_block_compression(compiler::BlockCompression::kFast);
  // The articles come as blocks deflated on the makers' threads.
  writer.set_compression_threads(0);
  // The file is begun (the word list encoded and deflated) while the
  // makers already make the first blocks.
  const auto begin = [&] {
    std::string words;
    if (!encode_words(sorted, &words, error)) return false;
    std::uint32_t abbrev_count = 0;
    const std::string abbrevs = encode_abbreviations(&abbrev_count);
    return writer.begin(dictionary_path, options_, static_cast<std::uint32_t>(sorted.size()), words,
                        abbrev_count, abbrevs, error);
  };
  if (!write_articles(sorted, begin, &writer, error) || !writer.finish(error)) return false;
  c_.stats_.headwords_written = sorted.size();
  c_.stats_.media_files = c_.media_.size();
  if (!c_.media_.empty()) {
    std::stable_sort(c_.media_.begin(), c_.media_.end(),
                     [](const auto& a, const auto& b) { return a.name < b.name; });
    // The first file of each name is kept.
    auto last = std::unique(c_.media_.begin(), c_.media_.end(),
                            [](const auto& a, const auto& b) { return a.name == b.name; });
    for (auto it = last; it != c_.media_.end(); ++it) c_.skip(SkipReason{"media file given twice"});
    c_.media_.erase(last, c_.media_.end());
    c_.stats_.media_files = c_.media_.size();
    if (!compiler::write_pack_file(pack_path, c_.media_, compiler::PackOptions{}, error))
      return false;
  }
  return true;
}

bool DictionaryCollector::write(const std::string& dictionary_path, const std::string& pack_path,
                                std::string* error) {
  CollectorWriter writer(*this);
  return writer.write(dictionary_path, pack_path, error);
}

}  // namespace lexora::import
