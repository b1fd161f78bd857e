#include "engine/search_query.h"

#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <type_traits>

namespace lexora {
namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kEllipsis = u'\u2026';
// Occurrences looked at per term for the highlight list; the first match
// alone decides whether the article matches.
constexpr std::size_t kMaxOccurrences = 256;
// Steps of ICU's match engine (roughly milliseconds) one article may take,
// so that a pathological expression cannot hold a worker for ever.
constexpr std::int32_t kRegexTimeLimit = 2000;

bool is_query_space(char16_t c) {
  return visible_detail::is_space_unit(c) || u_isUWhiteSpace(c);
}

bool is_word_char(char16_t c) {
  return U16_IS_SURROGATE(c) || u_isalnum(c) || (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0;
}

// The words of `text`, split at white space.
std::vector<std::u16string_view> split_words(std::u16string_view text) {
  std::vector<std::u16string_view> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && is_query_space(text[i])) ++i;
    std::size_t start = i;
    while (i < text.size() && !is_query_space(text[i])) ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

}  // namespace

SearchQuery::~SearchQuery() = default;

std::unique_ptr<SearchQuery> SearchQuery::compile(std::u16string_view text, bool regex,
                                                  std::uint32_t locale_id, std::string* error) {
  std::unique_ptr<SearchQuery> query(new SearchQuery());
  query->locale_id_ = locale_id;
  if (regex) {
    query->mode_ = SearchMode::kRegex;
    if (text.empty()) {
      *error = "empty regular expression";
      return nullptr;
    }
    UParseError where{};
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString pattern(text.data(), static_cast<std::int32_t>(text.size()));
    query->pattern_.reset(
        icu::RegexPattern::compile(pattern, UREGEX_CASE_INSENSITIVE, where, status));
    if (U_FAILURE(status) || !query->pattern_) {
      *error = std::string("bad regular expression: ") + u_errorName(status) + " at offset " +
               std::to_string(where.offset);
      return nullptr;
    }
    return query;
  }
  std::vector<std::u16string_view> words = split_words(text);
  const bool quoted = !words.empty() && words.front().front() == kQuote &&
                      words.back().back() == kQuote &&
                      (words.size() > 1 || words.front().size() > 1);
  if (quoted) {
    query->mode_ = SearchMode::kPhrase;
    words.front().remove_prefix(1);
    words.back().remove_suffix(1);
    std::u16string phrase;
    for (std::u16string_view word : words) {
      if (word.empty()) continue;
      if (!phrase.empty()) phrase.push_back(u' ');
      phrase.append(word);
    }
    if (!phrase.empty()) query->terms_.push_back(to_lower(phrase, locale_id));
  } else {
    for (std::u16string_view word : words) query->terms_.push_back(to_lower(word, locale_id));
  }
  if (query->terms_.empty()) {
    *error = "nothing to search for";
    return nullptr;
  }
  for (const std::u16string& term : query->terms_)
    if (term.size() > query->anchor_.size()) query->anchor_ = term;
  return query;
}

ArticleMatcher::ArticleMatcher(const SearchQuery& query, std::uint32_t code_page)
    : query_(query), codec_(code_page, query.locale_id()) {
  if (query.mode() == SearchMode::kRegex) {
    UErrorCode status = U_ZERO_ERROR;
    regex_.reset(query.pattern()->matcher(status));
    if (U_FAILURE(status)) regex_.reset();
    if (regex_) regex_->setTimeLimit(kRegexTimeLimit, status);
    regex_input_ = std::make_unique<icu::UnicodeString>();
    return;
  }
  if (codec_.valid() && codec_.single_byte()) {
    const char16_t first = query.anchor().front();
    for (int b = 0; b < 256; ++b) {
      const char16_t c = codec_.decode_unit(static_cast<unsigned char>(b));
      const char16_t lowered = codec_.lower_unit(c);
      anchor_start_[static_cast<std::size_t>(b)] = c == u'&' || lowered == 0 || lowered == first;
    }
  }
}

ArticleMatcher::~ArticleMatcher() = default;

template <typename Unit, typename Decode>
bool ArticleMatcher::anchor_at(const Unit* text, std::size_t size, std::size_t start,
                               Decode decode) {
  VisibleScanner<Unit, Decode> scanner(text, size, start, decode, true);
  for (const char16_t want : query_.anchor()) {
    char16_t c;
    std::size_t at;
    if (!scanner.next(&c, &at)) return false;
    if (want == u' ') {
      if (c != u' ') return false;
      continue;
    }
    const char16_t lowered = codec_.lower_unit(c);
    if (lowered == 0) return true;  // depends on context: the full match decides
    if (lowered != want) return false;
  }
  return true;
}

// True unless the anchor surely is not in the visible text: every place where
// its first character may begin (a character lowering to it, one whose lower
// case needs context, or an entity) is followed through the markup rules.
template <typename Unit, typename Decode>
bool ArticleMatcher::may_contain_anchor(const Unit* text, std::size_t size, Decode decode) {
  const char16_t first = query_.anchor().front();
  for (std::size_t i = 0; i < size; ++i) {
    if constexpr (std::is_same_v<Unit, unsigned char>) {
      if (!anchor_start_[text[i]]) continue;
    } else {
      const char16_t c = text[i];
      if (c != u'&') {
        const char16_t lowered = codec_.lower_unit(c);
        if (lowered != first && lowered != 0) continue;
      }
    }
    if (anchor_at(text, size, i, decode)) return true;
  }
  return false;
}

std::optional<ArticleMatch> ArticleMatcher::match_stored(std::string_view bytes) {
  if (!codec_.valid()) return std::nullopt;
  const bool words = query_.mode() != SearchMode::kRegex;
  if (words && codec_.single_byte()) {
    const auto* raw = reinterpret_cast<const unsigned char*>(bytes.data());
    auto decode = [this](unsigned char b) { return codec_.decode_unit(b); };
    if (!may_contain_anchor(raw, bytes.size(), decode)) return std::nullopt;
  }
  if (!codec_.decode(bytes, &decoded_)) return std::nullopt;
  if (words && !codec_.single_byte() &&
      !may_contain_anchor(decoded_.data(), decoded_.size(), Utf16Units{})) {
    return std::nullopt;
  }
  extract_visible_text(decoded_, &visible_);
  return match_visible();
}

std::optional<ArticleMatch> ArticleMatcher::match_text(std::u16string_view article) {
  if (query_.mode() != SearchMode::kRegex &&
      !may_contain_anchor(article.data(), article.size(), Utf16Units{})) {
    return std::nullopt;
  }
  extract_visible_text(article, &visible_);
  return match_visible();
}

std::optional<ArticleMatch> ArticleMatcher::match_visible() {
  // Nothing shows of the article, so nothing on its page could be found.
  if (visible_.text.empty()) return std::nullopt;
  result_.matched_texts.clear();
  std::size_t start = 0;
  std::size_t end = 0;
  const bool found =
      query_.mode() == SearchMode::kRegex ? find_regex(&start, &end) : find_terms(&start, &end);
  if (!found) return std::nullopt;
  make_snippet(start, end);
  return result_;
}

void ArticleMatcher::lower_visible() {
  const std::u16string& text = visible_.text;
  codec_.lower(text, &lowered_);
  lowered_to_visible_.clear();
  if (lowered_.size() == text.size()) return;
  // Some character lowered to more or fewer units: lower one character at a
  // time so each lowered unit knows where it came from.
  lowered_.clear();
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = U16_IS_LEAD(text[i]) && i + 1 < text.size() ? 2 : 1;
    codec_.lower(std::u16string_view(text).substr(i, length), &scratch_);
    lowered_.append(scratch_);
    lowered_to_visible_.insert(lowered_to_visible_.end(), scratch_.size(),
                               static_cast<std::uint32_t>(i));
    i += length;
  }
}

std::size_t ArticleMatcher::to_visible(std::size_t lowered_position) const {
  if (lowered_to_visible_.empty()) return lowered_position;
  return lowered_position < lowered_to_visible_.size() ? lowered_to_visible_[lowered_position]
                                                       : visible_.text.size();
}

bool ArticleMatcher::word_start(std::size_t lowered_position) const {
  const std::size_t at = to_visible(lowered_position);
  return at == 0 || !is_word_char(visible_.text[at - 1]);
}

bool ArticleMatcher::find_terms(std::size_t* first_start, std::size_t* first_end) {
  lower_visible();
  const std::u16string_view lowered(lowered_);
  bool any = false;
  for (const std::u16string& term : query_.terms()) {
    const bool at_word_start = is_word_char(term.front());
    bool found = false;
    std::size_t seen = 0;
    for (std::size_t at = lowered.find(term);
         at != std::u16string_view::npos && seen < kMaxOccurrences;
         at = lowered.find(term, at + 1)) {
      if (at_word_start && !word_start(at)) continue;
      ++seen;
      const std::size_t start = to_visible(at);
      const std::size_t end = to_visible(at + term.size());
      if (!any || start < *first_start) {
        *first_start = start;
        *first_end = end;
      }
      any = found = true;
      add_matched_text(start, end);
      if (result_.matched_texts.size() >= kMaxMatchedTexts) break;
    }
    if (!found) return false;
  }
  return any;
}

bool ArticleMatcher::find_regex(std::size_t* first_start, std::size_t* first_end) {
  if (!regex_) return false;
  regex_input_->setTo(false, visible_.text.data(), static_cast<std::int32_t>(visible_.text.size()));
  regex_->reset(*regex_input_);
  UErrorCode status = U_ZERO_ERROR;
  bool any = false;
  for (std::size_t seen = 0; seen < kMaxOccurrences && regex_->find(status) && U_SUCCESS(status);
       ++seen) {
    const auto start = static_cast<std::size_t>(regex_->start(status));
    const auto end = static_cast<std::size_t>(regex_->end(status));
    if (U_FAILURE(status)) break;
    if (!any) {
      *first_start = start;
      *first_end = end;
      any = true;
    }
    if (end > start) add_matched_text(start, end);
    if (result_.matched_texts.size() >= kMaxMatchedTexts) break;
  }
  return any;
}

void ArticleMatcher::add_matched_text(std::size_t start, std::size_t end) {
  if (result_.matched_texts.size() >= kMaxMatchedTexts || end <= start) return;
  const std::u16string_view text = std::u16string_view(visible_.text).substr(start, end - start);
  for (const std::u16string& known : result_.matched_texts)
    if (known == text) return;
  result_.matched_texts.emplace_back(text);
}

void ArticleMatcher::make_snippet(std::size_t start, std::size_t end) {
  const std::u16string_view text(visible_.text);
  std::size_t from = start > kSnippetBefore ? start - kSnippetBefore : 0;
  if (from > 0) {
    // Begin at a word: after the first space of the context, when there is one.
    const std::size_t space = text.substr(0, start).find(u' ', from);
    if (space != std::u16string_view::npos) from = space + 1;
    if (from < text.size() && U16_IS_TRAIL(text[from])) ++from;
  }
  std::size_t to = std::min(text.size(), end + kSnippetAfter);
  if (to < text.size()) {
    const std::size_t space = text.substr(0, to).rfind(u' ');
    if (space != std::u16string_view::npos && space > end) to = space;
    if (to > 0 && U16_IS_LEAD(text[to - 1])) --to;
  }
  result_.snippet.clear();
  if (from > 0) result_.snippet.push_back(kEllipsis);
  result_.snippet_match_start = result_.snippet.size() + (start - from);
  result_.snippet_match_length = std::min(end, to) - start;
  result_.snippet.append(text.substr(from, to - from));
  if (to < text.size()) result_.snippet.push_back(kEllipsis);
}

}  // namespace lexora
