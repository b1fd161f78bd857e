// What an article search looks for, and the matching of one article.
//
// A query is one of:
//  - words and phrases: every word, and every phrase (words in double
//    quotes: these words in this order, separated by white space or by tags
//    that end a line), must occur in the article, in any order;
//  - a regular expression (ICU syntax), case ignored.
// Words and phrases match the article's visible text (visible_text.h) at the
// start of a word ("house" finds "houses", not "lighthouse"), case ignored by
// lower-casing both sides with the dictionary locale's rules, as the word
// lookup does. A regular expression runs over the visible text as it stands.
#ifndef LEXORA_ENGINE_SEARCH_QUERY_H_
#define LEXORA_ENGINE_SEARCH_QUERY_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/visible_text.h"
#include "platform/nls.h"

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class RegexPattern;
class RegexMatcher;
class UnicodeString;
U_NAMESPACE_END

namespace lexora {

enum class SearchMode { kWords, kPhrase, kRegex };

// Immutable once compiled; shared by every thread of a search.
class SearchQuery {
 public:
  ~SearchQuery();
  SearchQuery(const SearchQuery&) = delete;
  SearchQuery& operator=(const SearchQuery&) = delete;

  // Nothing (with *error in English) for a query with nothing to look for or
  // an expression ICU refuses. `locale_id` is the dictionary's.
  static std::unique_ptr<SearchQuery> compile(std::u16string_view text, bool regex,
                                              std::uint32_t locale_id, std::string* error);

  SearchMode mode() const { return mode_; }
  std::uint32_t locale_id() const { return locale_id_; }
  // Lower-cased words and phrases (phrases with single spaces); kPhrase when
  // the query is one phrase alone. Empty for kRegex.
  const std::vector<std::u16string>& terms() const { return terms_; }
  // The longest term: every matching article shows it in its visible text.
  const std::u16string& anchor() const { return anchor_; }
  const icu::RegexPattern* pattern() const { return pattern_.get(); }

 private:
  SearchQuery() = default;

  SearchMode mode_ = SearchMode::kWords;
  std::uint32_t locale_id_ = 0;
  std::vector<std::u16string> terms_;
  std::u16string anchor_;
  std::unique_ptr<icu::RegexPattern> pattern_;
};

// How a match is shown: a stretch of visible text around the first match.
struct ArticleMatch {
  std::u16string snippet;
  std::size_t snippet_match_start = 0;  // the first match inside the snippet
  std::size_t snippet_match_length = 0;
  // What to mark on the page, case ignored: for words and phrases the
  // lower-cased terms, to be marked where a word starts (`word_starts`); for
  // an expression the distinct stretches of visible text it matched, as they
  // stand (at most kMaxMatchedTexts).
  std::vector<std::u16string> matched_texts;
  bool word_starts = false;
};

inline constexpr std::size_t kMaxMatchedTexts = 16;
inline constexpr std::size_t kSnippetBefore = 40;  // characters of context
inline constexpr std::size_t kSnippetAfter = 80;

// Matches articles of one dictionary against one query. Holds scratch
// buffers and its own regular-expression matcher: one per thread. The query
// must outlive it.
class ArticleMatcher {
 public:
  // `code_page` is the dictionary's articles_code_page.
  ArticleMatcher(const SearchQuery& query, std::uint32_t code_page);
  ~ArticleMatcher();
  ArticleMatcher(const ArticleMatcher&) = delete;
  ArticleMatcher& operator=(const ArticleMatcher&) = delete;

  // False when the code page cannot be decoded: nothing will match.
  bool valid() const { return codec_.valid(); }

  // The article as stored (bytes in the code page). A quick look at the
  // raw text settles most articles that cannot match before any decoding.
  std::optional<ArticleMatch> match_stored(std::string_view bytes);
  // The article already in UTF-16.
  std::optional<ArticleMatch> match_text(std::u16string_view article);

 private:
  template <typename Unit, typename Decode>
  std::optional<ArticleMatch> match_units(const Unit* text, std::size_t size, Decode decode);
  template <typename Unit, typename Decode>
  bool may_contain_anchor(const Unit* text, std::size_t size, Decode decode);
  template <typename Decode>
  bool may_contain_anchor_bytes(const unsigned char* text, std::size_t size, Decode decode);
  template <typename Decode>
  bool anchor_may_start_at(const unsigned char* text, std::size_t size, std::size_t i,
                           Decode decode);
  template <typename Unit, typename Decode>
  bool anchor_at(const Unit* text, std::size_t size, std::size_t start, Decode decode);
  // True or false once the terms are settled; nothing when the text needs
  // the whole-text path.
  template <typename Unit, typename Decode>
  std::optional<bool> find_terms_as_extracted(const Unit* text, std::size_t size, Decode decode);
  bool find_terms_in_whole_text();
  // The first occurrence of `term` at or after `from` in the lowered text
  // that stands at a word start (when the term begins with a letter or
  // digit); npos when none.
  std::size_t find_term(const std::u16string& term, std::size_t from) const;
  bool find_regex(std::size_t* first_start, std::size_t* first_end);
  void lower_visible();
  bool word_start(std::size_t lowered_position) const;
  std::size_t to_visible(std::size_t lowered_position) const;
  void add_matched_text(std::size_t start, std::size_t end);
  // `text_continues`: the visible text goes on past what was extracted.
  void make_snippet(std::size_t start, std::size_t end, bool text_continues);

  const SearchQuery& query_;
  WordCodec codec_;
  std::unique_ptr<icu::RegexMatcher> regex_;
  // The text the regex matcher reads (it keeps a reference, not a copy).
  std::unique_ptr<icu::UnicodeString> regex_input_;
  // For single-byte code pages: the bytes at which the anchor may start.
  std::array<bool, 256> anchor_start_{};
  std::array<bool, 256> word_byte_{};  // bytes that decode to a letter or digit
  // The lower case of each byte that stands for itself on the page (not
  // markup, an entity or white space, and lowered without context); 0 for
  // the others.
  std::array<char16_t, 256> plain_lower_{};
  // The bytes of anchor_start_, when there are few: they are looked for
  // sixteen at a time.
  static constexpr std::size_t kVectorStartBytes = 4;
  std::array<unsigned char, kVectorStartBytes> start_bytes_{};
  std::size_t start_byte_count_ = 0;
  bool anchor_at_word_start_ = false;
  bool ascii_bytes_ = false;  // single-byte, with ASCII where ASCII is
  std::u16string decoded_;
  std::u16string visible_;
  std::u16string lowered_;
  // Visible position of each lowered unit, when lower-casing changed the
  // length; empty when the positions agree.
  std::vector<std::uint32_t> lowered_to_visible_;
  std::u16string scratch_;
  std::vector<bool> found_;  // per term, while extracting
  ArticleMatch result_;
};

}  // namespace lexora

#endif  // LEXORA_ENGINE_SEARCH_QUERY_H_
