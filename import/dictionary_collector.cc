#include "import/dictionary_collector.h"

#include <algorithm>
#include <cstring>

#include "import/markup_pieces.h"
#include "platform/utf.h"

namespace lexora::import {
namespace {

// Tabs, line breaks and other control characters in a headword become single
// spaces; leading and trailing blanks go.
std::string clean_headword(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool space = false;
  for (char c : text) {
    if (static_cast<unsigned char>(c) <= ' ') {
      space = !out.empty();
      continue;
    }
    if (space) out.push_back(' ');
    space = false;
    out.push_back(c);
  }
  return out;
}

// The headword table is larger than the processor's caches: the slots of
// the headwords this many ahead are fetched while the current one is looked
// up.
constexpr std::size_t kLookAhead = 8;

// The pair of pending synonyms that starts at `at` ("SYNONYM\0TARGET\0"):
// sets both and returns where the next pair starts.
std::size_t synonym_pair(std::string_view pairs, std::size_t at, std::string_view* synonym,
                         std::string_view* target) {
  const std::size_t mid = pairs.find('\0', at);
  const std::size_t end = pairs.find('\0', mid + 1);
  *synonym = pairs.substr(at, mid - at);
  *target = pairs.substr(mid + 1, end - mid - 1);
  return end + 1;
}

// True when clean_headword would give `text` back unchanged.
bool is_clean_headword(std::string_view text) {
  if (text.empty() || text.front() == ' ' || text.back() == ' ') return text.empty();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < ' ' || (c == ' ' && text[i + 1] == ' ')) return false;
  }
  return true;
}

}  // namespace

DictionaryCollector::DictionaryCollector(ConversionOptions options)
    : options_(std::move(options)) {}
DictionaryCollector::~DictionaryCollector() = default;

void DictionaryCollector::add(std::span<const std::string_view> headwords, std::string_view markup,
                              bool preformatted, const SourceSpan* span) {
  ++stats_.articles_read;
  stats_.headwords_read += headwords.size();
  std::string fixed;  // the markup made well-formed, in the rare case it is not
  // A source that makes only well-formed markup needs no check: the markup
  // of a sourced article is what the source gives (else writing fails).
  const bool valid = span != nullptr && articles_.source_gives_valid_utf8();
  if (!valid && !is_valid_utf8(markup)) {
    fixed.assign(markup);
    make_valid_utf8(&fixed);
    markup = fixed;
  }
  const std::uint32_t article = span != nullptr ? articles_.add_sourced(markup, *span, preformatted)
                                                : articles_.add(markup, preformatted);
  if (article == ArticleStore::kNoArticle || article >= kLinkArticle) {
    if (article != ArticleStore::kNoArticle) articles_.drop_last();
    skip(SkipReason{"article larger than 2 GiB"});
    return;
  }
  bool used = false;
  std::string own;      // the article's own headword, for alternative forms
  std::string cleaned;  // a headword that needed cleaning
  for (const std::string_view raw : headwords) {
    std::string_view headword = raw;
    if (!is_clean_headword(raw) || !is_valid_utf8(raw)) {
      cleaned = clean_headword(raw);
      make_valid_utf8(&cleaned);
      headword = cleaned;
    }
    if (headword.empty()) {
      skip(SkipReason{"empty headword"});
      continue;
    }
    if (own.empty()) {
      own = headword;
    } else if (options_.synonyms == SynonymMode::kLink && headword != own) {
      // An alternative form leads to the article through a link.
      synonyms_.append(headword).push_back('\0');
      synonyms_.append(own).push_back('\0');
      continue;
    }
    const std::size_t before = headwords_.size();
    const std::uint32_t entry = headwords_.find_or_add(headword);
    if (entry == kNoIndex) {
      skip(SkipReason{"too many headwords"});
      continue;
    }
    if (headwords_.size() != before) word_characters_.add(headword);
    // The same text again under the same headword adds nothing.
    bool duplicate = false;
    headwords_.for_each_article(entry, [&](std::uint32_t other) {
      duplicate = duplicate ||
                  (other != article && (other & kLinkArticle) == 0 &&
                   is_preformatted(other) == preformatted && articles_.same_text(other, markup));
    });
    if (duplicate) {
      skip(SkipReason{"same article twice under one headword"});
      continue;
    }
    if (headwords_.article_count(entry) > 0) ++stats_.articles_merged;
    used = headwords_.add_article(entry, article) || used;
  }
  if (used)
    article_characters_.add(markup);
  else
    articles_.drop_last();
}

void DictionaryCollector::add(const std::vector<std::string>& headwords, std::string_view markup,
                              bool preformatted) {
  add(std::vector<std::string_view>(headwords.begin(), headwords.end()), markup, preformatted,
      nullptr);
}

void DictionaryCollector::add_article(std::vector<std::string> headwords, std::string markup) {
  add(headwords, markup, false);
}

void DictionaryCollector::add_preformatted_article(std::vector<std::string> headwords,
                                                   std::string markup) {
  add(headwords, markup, true);
}

namespace {

// The reader's source, giving the markup as the collector keeps it.
class ValidUtf8Source final : public ArticleSource {
 public:
  explicit ValidUtf8Source(std::shared_ptr<ArticleSource> source) : source_(std::move(source)) {}
  explicit ValidUtf8Source(std::unique_ptr<ArticleSource> source) : source_(std::move(source)) {}
  bool markup(SourceSpan span, std::string* markup, std::string* error) override {
    if (!source_->markup(span, markup, error)) return false;
    if (!source_->gives_valid_utf8()) make_valid_utf8(markup);
    return true;
  }
  std::string file() const override { return source_->file(); }
  bool gives_valid_utf8() const override { return source_->gives_valid_utf8(); }
  std::unique_ptr<ArticleSource> another() const override {
    std::unique_ptr<ArticleSource> reader = source_->another();
    if (reader == nullptr) return nullptr;
    return std::make_unique<ValidUtf8Source>(std::move(reader));
  }

 private:
  std::shared_ptr<ArticleSource> source_;
};

}  // namespace

void DictionaryCollector::expect(std::size_t articles, std::size_t headwords,
                                 std::size_t headword_bytes) {
  articles_.reserve(articles);
  headwords_.reserve(headwords, headword_bytes);
}

void DictionaryCollector::set_article_source(std::shared_ptr<ArticleSource> source) {
  if (options_.reread_sources && source != nullptr)
    articles_.set_source(std::make_shared<ValidUtf8Source>(std::move(source)));
}

void DictionaryCollector::add_sourced_preformatted_article(
    std::span<const std::string_view> headwords, std::string_view markup, SourceSpan span) {
  // Without a source to read them again from, the articles are held.
  add(headwords, markup, true, articles_.has_source() ? &span : nullptr);
}

void DictionaryCollector::add_sourced_preformatted_articles(
    std::span<const SourcedArticle> articles) {
  for (std::size_t i = 0; i < articles.size(); ++i) {
    if (i + kLookAhead < articles.size())
      for (const std::string_view h : articles[i + kLookAhead].headwords) headwords_.prefetch(h);
    const SourcedArticle& a = articles[i];
    add_sourced_preformatted_article(a.headwords, a.markup, a.span);
  }
}

void DictionaryCollector::add_synonym(std::string headword, std::string target) {
  ++stats_.synonyms_read;
  ++stats_.headwords_read;
  headword = clean_headword(headword);
  target = clean_headword(target);
  if (headword.empty() || target.empty()) {
    skip(SkipReason{"empty synonym"});
    return;
  }
  make_valid_utf8(&headword);
  make_valid_utf8(&target);
  synonyms_.append(headword).push_back('\0');
  synonyms_.append(target).push_back('\0');
}

void DictionaryCollector::resolve_synonyms() {
  const std::string_view pairs = synonyms_;
  // The pair kLookAhead ahead has its slots fetched while this one is
  // looked up.
  std::size_t ahead = 0;
  const auto prefetch_next = [&] {
    if (ahead >= pairs.size()) return;
    std::string_view synonym, target;
    ahead = synonym_pair(pairs, ahead, &synonym, &target);
    headwords_.prefetch(synonym);
    headwords_.prefetch(target);
  };
  for (std::size_t k = 0; k < kLookAhead; ++k) prefetch_next();
  std::size_t at = 0;
  while (at < pairs.size()) {
    prefetch_next();
    std::string_view synonym, target;
    at = synonym_pair(pairs, at, &synonym, &target);
    const std::uint32_t target_entry = headwords_.find(target);
    if (target_entry == kNoIndex) {
      skip(SkipReason{"synonym of a missing headword"});
      continue;
    }
    if (synonym == target) {
      skip(SkipReason{"synonym equal to its headword"});
      continue;
    }
    const std::size_t before = headwords_.size();
    const std::uint32_t entry = headwords_.find_or_add(synonym);
    if (entry == kNoIndex) {
      skip(SkipReason{"too many headwords"});
      continue;
    }
    if (headwords_.size() != before) word_characters_.add(synonym);
    if (options_.synonyms == SynonymMode::kLink) {
      // Made when written (link_markup): stored among the texts, the links
      // would scatter the writer's reads over the chunks.
      if (target_entry < kLinkArticle && headwords_.add_article(entry, kLinkArticle | target_entry))
        article_characters_.add(target);
      continue;
    }
    std::vector<std::uint32_t> articles;
    headwords_.for_each_article(target_entry, [&](std::uint32_t a) { articles.push_back(a); });
    for (std::uint32_t a : articles) headwords_.add_article(entry, a);
  }
  LargeString().swap(synonyms_);
}

void DictionaryCollector::link_markup(std::uint32_t entry, std::string* out) const {
  const std::string_view target = headwords_.headword(entry);
  std::string shown;
  append_escaped(target, &shown);
  out->append("&rarr; ");
  append_word_link(target, shown, out);
}

void DictionaryCollector::add_abbreviation(std::string key, std::string expansion) {
  make_valid_utf8(&key);
  make_valid_utf8(&expansion);
  if (key.empty() || key.find("  ") != std::string::npos) {
    skip(SkipReason{key.empty() ? "empty abbreviation" : "abbreviation holding two spaces"});
    return;
  }
  article_characters_.add(key);
  article_characters_.add(expansion);
  abbreviations_.emplace_back(std::move(key), std::move(expansion));
}

void DictionaryCollector::add_media(std::string name, std::vector<std::uint8_t> bytes) {
  make_valid_utf8(&name);
  std::replace(name.begin(), name.end(), '/', '\\');
  compiler::PackSourceEntry entry;
  entry.name = utf8_to_utf16(name);
  entry.data = std::move(bytes);
  media_.push_back(std::move(entry));
}

void DictionaryCollector::skip(const SkipReason& why) {
  ++stats_.skipped[why.reason];
}

void DictionaryCollector::set_languages(const std::string& from, const std::string& /*to*/) {
  language_from_ = from;
}

void DictionaryCollector::set_title(const std::string& title) {
  stats_.title = title;
}

bool DictionaryCollector::progress(std::uint64_t done, std::uint64_t total) {
  return !options_.read_progress || options_.read_progress(done, total);
}

}  // namespace lexora::import
