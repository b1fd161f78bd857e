// DictionaryCollector::write: code pages, locale, order, and the streamed
// ".zd" and ".zpak".
#include <algorithm>

#include "compiler/dictionary_stream_writer.h"
#include "compiler/headword_order.h"
#include "engine/dictionary_header.h"
#include "import/dictionary_collector.h"
#include "import/languages.h"
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
  bool write_articles(const std::vector<std::uint32_t>& order, compiler::DictionaryStreamWriter* w,
                      std::string* error);

  DictionaryCollector& c_;
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
  std::u16string wide;
  return compiler::sort_headwords(
      c_.headwords_.size(),
      [&](std::size_t i) -> std::u16string_view {
        wide = utf8_to_utf16(c_.headwords_.headword(static_cast<std::uint32_t>(i)));
        return wide;
      },
      options_.words_code_page, options_.locale_id, options_.flags);
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

bool CollectorWriter::write_articles(const std::vector<std::uint32_t>& order,
                                     compiler::DictionaryStreamWriter* w, std::string* error) {
  TextEncoder encoder(options_.articles_code_page);
  std::string text, link;
  for (std::size_t k = 0; k < order.size(); ++k) {
    text.clear();
    bool first = true;
    bool read = true;
    c_.headwords_.for_each_article(order[k], [&](std::uint32_t article) {
      if (!read) return;
      if (!first) text.append(kMergedArticleSeparator);
      first = false;
      if ((article & DictionaryCollector::kLinkArticle) != 0) {
        link.clear();
        c_.link_markup(article & ~DictionaryCollector::kLinkArticle, &link);
        encoder.append(link, true, &text);
        return;
      }
      std::string_view markup;
      read = c_.articles_.read(article, &markup, error);
      if (!read) return;
      const bool preformatted = c_.is_preformatted(article);
      if (preformatted) text.append(kPreformattedOpen);
      encoder.append(markup, true, &text);
      if (preformatted) text.append(kPreformattedClose);
    });
    if (!read || !w->add_article(text, error)) return false;
    if (k % kProgressStep == 0 && c_.options_.write_progress &&
        !c_.options_.write_progress(k, order.size()))
      return fail(error, "cancelled");
  }
  return true;
}

bool CollectorWriter::write(const std::string& dictionary_path, const std::string& pack_path,
                            std::string* error) {
  c_.resolve_synonyms();
  if (c_.headwords_.size() == 0) return fail(error, "the source holds no articles");
  choose_header();
  const std::vector<std::uint32_t> sorted = order();
  std::string words;
  if (!encode_words(sorted, &words, error)) return false;
  std::uint32_t abbrev_count = 0;
  const std::string abbrevs = encode_abbreviations(&abbrev_count);
  compiler::DictionaryStreamWriter writer;
  // Imports favour speed: the fastest deflate makes the file a few per cent
  // larger and the import several times faster (see README, Performance).
  writer.set_block_compression(compiler::BlockCompression::kFast);
  if (!writer.begin(dictionary_path, options_, static_cast<std::uint32_t>(sorted.size()), words,
                    abbrev_count, abbrevs, error))
    return false;
  std::string().swap(words);
  if (!write_articles(sorted, &writer, error) || !writer.finish(error)) return false;
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
