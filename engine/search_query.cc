#include "engine/search_query.h"

#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <type_traits>

namespace lexora {
namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kEllipsis = u'\u2026';
// Matches of an expression looked at for the highlight list; the first
// alone decides whether the article matches.
constexpr std::size_t kMaxOccurrences = 256;
// Visible characters extracted at a time while looking for words.
constexpr std::size_t kExtractChunk = 256;
// Steps of ICU's match engine (roughly milliseconds) one article may take,
// so that a pathological expression cannot hold a worker for ever.
constexpr std::int32_t kRegexTimeLimit = 2000;

// The bytes of a single-byte code page to UTF-16, for VisibleScanner;
// `ascii` when the bytes of printable ASCII stand for themselves, which lets
// the scanner copy runs of them sixteen at a time.
struct CodePageBytes {
  const WordCodec* codec;
  bool ascii;
  char16_t operator()(unsigned char b) const { return codec->decode_unit(b); }
};

bool is_query_space(char16_t c) {
  return visible_detail::is_space_unit(c) || u_isUWhiteSpace(c);
}

bool is_word_char(char16_t c) {
  return U16_IS_SURROGATE(c) || u_isalnum(c) || (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0;
}

// The terms of a query: each text in double quotes is one phrase (its
// words joined by single spaces; an unclosed quote runs to the end), every
// other run of non-space characters one word.
std::vector<std::u16string> split_terms(std::u16string_view text, bool* only_one_phrase) {
  std::vector<std::u16string> terms;
  int phrases = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (is_query_space(text[i])) {
      ++i;
      continue;
    }
    std::u16string term;
    if (text[i] == kQuote) {
      ++phrases;
      bool space = false;
      for (++i; i < text.size() && text[i] != kQuote; ++i) {
        if (is_query_space(text[i])) {
          space = !term.empty();
          continue;
        }
        if (space) term.push_back(u' ');
        space = false;
        term.push_back(text[i]);
      }
      ++i;  // the closing quote
    } else {
      for (; i < text.size() && !is_query_space(text[i]) && text[i] != kQuote; ++i)
        term.push_back(text[i]);
    }
    if (!term.empty()) terms.push_back(std::move(term));
  }
  *only_one_phrase = phrases == 1 && terms.size() == 1;
  return terms;
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
  bool one_phrase = false;
  for (const std::u16string& term : split_terms(text, &one_phrase))
    query->terms_.push_back(to_lower(term, locale_id));
  query->mode_ = one_phrase ? SearchMode::kPhrase : SearchMode::kWords;
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
  if (codec_.valid() && codec_.single_byte()) {
    ascii_bytes_ = true;
    for (int b = 0x20; b < 0x7F; ++b)
      ascii_bytes_ = ascii_bytes_ && codec_.decode_unit(static_cast<unsigned char>(b)) == b;
  }
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
      word_byte_[static_cast<std::size_t>(b)] = is_word_char(c);
      const bool plain = c > u' ' && c != u'<' && c != u'&' && !visible_detail::is_space_unit(c);
      plain_lower_[static_cast<std::size_t>(b)] = plain ? lowered : 0;
      if (anchor_start_[static_cast<std::size_t>(b)]) {
        if (start_byte_count_ < start_bytes_.size())
          start_bytes_[start_byte_count_] = static_cast<unsigned char>(b);
        ++start_byte_count_;
      }
    }
    // Unused places repeat a byte of the set.
    for (std::size_t k = start_byte_count_; k < start_bytes_.size(); ++k)
      start_bytes_[k] = start_bytes_[0];
    anchor_at_word_start_ = is_word_char(first);
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
// A term that begins with a letter or digit matches only at a word start.
// A letter or digit in the text just before a candidate is either the
// visible character before it, or both stand inside a tag or a reference
// (every tag, entity and reference ends in '>' or ';'): either way the
// candidate is no match.
template <typename Unit, typename Decode>
bool ArticleMatcher::may_contain_anchor(const Unit* text, std::size_t size, Decode decode) {
  if constexpr (std::is_same_v<Unit, unsigned char>) {
    return may_contain_anchor_bytes(text, size, decode);
  } else {
    const char16_t first = query_.anchor().front();
    const bool at_word_start = is_word_char(first);
    for (std::size_t i = 0; i < size; ++i) {
      const char16_t c = text[i];
      if (c != u'&') {
        const char16_t lowered = codec_.lower_unit(c);
        if (lowered != first && lowered != 0) continue;
      }
      if (at_word_start && i > 0 && is_word_char(text[i - 1])) continue;
      if (anchor_at(text, size, i, decode)) return true;
    }
    return false;
  }
}

template <typename Decode>
bool ArticleMatcher::may_contain_anchor_bytes(const unsigned char* text, std::size_t size,
                                              Decode decode) {
  std::size_t i = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time when the anchor can start at only a few bytes.
  if (start_byte_count_ == 0) return false;
  if (start_byte_count_ <= kVectorStartBytes) {
    const auto splat = [this](std::size_t k) {
      return _mm_set1_epi8(static_cast<char>(start_bytes_[k]));
    };
    const __m128i b0 = splat(0), b1 = splat(1), b2 = splat(2), b3 = splat(3);
    for (; i + 16 <= size; i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
      const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, b0), _mm_cmpeq_epi8(v, b1)),
                                       _mm_or_si128(_mm_cmpeq_epi8(v, b2), _mm_cmpeq_epi8(v, b3)));
      for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit)); mask != 0; mask &= mask - 1) {
        const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
        if (anchor_may_start_at(text, size, at, decode)) return true;
      }
    }
  }
#endif
  for (; i < size; ++i)
    if (anchor_start_[text[i]] && anchor_may_start_at(text, size, i, decode)) return true;
  return false;
}

template <typename Decode>
bool ArticleMatcher::anchor_may_start_at(const unsigned char* text, std::size_t size, std::size_t i,
                                         Decode decode) {
  if (anchor_at_word_start_ && i > 0 && word_byte_[text[i - 1]]) return false;
  // Plain characters (no markup, entity or space) are what they show: most
  // candidates are settled by the bytes alone.
  const std::u16string& anchor = query_.anchor();
  std::size_t k = 0;
  while (k < anchor.size() && i + k < size) {
    const char16_t lowered = plain_lower_[text[i + k]];
    if (lowered == 0 || lowered != anchor[k]) break;
    ++k;
  }
  if (k == anchor.size()) return true;
  if (i + k >= size || plain_lower_[text[i + k]] != 0) return false;
  return anchor_at(text, size, i, decode);
}

std::optional<ArticleMatch> ArticleMatcher::match_stored(std::string_view bytes) {
  if (!codec_.valid()) return std::nullopt;
  if (codec_.single_byte()) {
    // Straight from the stored bytes: no decoded copy of the article.
    const auto* raw = reinterpret_cast<const unsigned char*>(bytes.data());
    return match_units(raw, bytes.size(), CodePageBytes{&codec_, ascii_bytes_});
  }
  if (!codec_.decode(bytes, &decoded_)) return std::nullopt;
  return match_units(decoded_.data(), decoded_.size(), Utf16Units{});
}

std::optional<ArticleMatch> ArticleMatcher::match_text(std::u16string_view article) {
  return match_units(article.data(), article.size(), Utf16Units{});
}

template <typename Unit, typename Decode>
std::optional<ArticleMatch> ArticleMatcher::match_units(const Unit* text, std::size_t size,
                                                        Decode decode) {
  result_.matched_texts.clear();
  result_.word_starts = query_.mode() != SearchMode::kRegex;
  if (query_.mode() == SearchMode::kRegex) {
    visible_.clear();
    append_visible_text(text, size, decode, &visible_, nullptr);
    std::size_t start = 0;
    std::size_t end = 0;
    // Nothing shows of an empty page, so nothing on it could be found.
    if (visible_.empty() || !find_regex(&start, &end)) return std::nullopt;
    make_snippet(start, end, false);
    return result_;
  }
  if (!may_contain_anchor(text, size, decode)) return std::nullopt;
  const std::optional<bool> found = find_terms_as_extracted(text, size, decode);
  if (!found.has_value()) {
    // A character whose lower case depends on its neighbours: the whole
    // visible text is lowered at once.
    visible_.clear();
    append_visible_text(text, size, decode, &visible_, nullptr);
    if (!find_terms_in_whole_text()) return std::nullopt;
  } else if (!*found) {
    return std::nullopt;
  }
  result_.matched_texts = query_.terms();
  return result_;
}

// Extracts and lowers the visible text a piece at a time, and stops once
// every term is found and the snippet has its context: a word found early
// in a long article costs only the start of it. Nothing when a character
// needs the lowering of the whole text.
template <typename Unit, typename Decode>
std::optional<bool> ArticleMatcher::find_terms_as_extracted(const Unit* text, std::size_t size,
                                                            Decode decode) {
  visible_.clear();
  lowered_.clear();
  lowered_to_visible_.clear();
  VisibleScanner<Unit, Decode> scanner(text, size, 0, decode, false);
  const std::vector<std::u16string>& terms = query_.terms();
  found_.assign(terms.size(), false);
  std::size_t missing = terms.size();
  std::size_t first_start = std::u16string::npos;
  std::size_t first_end = 0;
  bool more = true;
  while (more) {
    const std::size_t searched = lowered_.size();
    visible_.resize(searched + kExtractChunk);
    const std::size_t got = scanner.read(visible_.data() + searched, kExtractChunk);
    more = got == kExtractChunk;
    visible_.resize(searched + got);
    lowered_.resize(searched + got);
    for (std::size_t k = searched; k < searched + got; ++k) {
      const char16_t lowered = codec_.lower_unit(visible_[k]);
      if (lowered == 0) return std::nullopt;
      lowered_[k] = lowered;
    }
    for (std::size_t i = 0; i < terms.size(); ++i) {
      if (found_[i]) continue;
      // From where an occurrence not yet seen could begin.
      const std::size_t from = searched >= terms[i].size() ? searched - terms[i].size() + 1 : 0;
      const std::size_t at = find_term(terms[i], from);
      if (at == std::u16string::npos) continue;
      found_[i] = true;
      --missing;
      if (at < first_start) {
        first_start = at;
        first_end = at + terms[i].size();
      }
    }
    if (missing == 0 && lowered_.size() >= first_end + kSnippetAfter) break;
  }
  if (missing != 0) return false;
  make_snippet(first_start, first_end, more);
  return true;
}

bool ArticleMatcher::find_terms_in_whole_text() {
  lower_visible();
  std::size_t first_start = std::u16string::npos;
  std::size_t first_end = 0;
  for (const std::u16string& term : query_.terms()) {
    const std::size_t at = find_term(term, 0);
    if (at == std::u16string::npos) return false;
    if (to_visible(at) < first_start) {
      first_start = to_visible(at);
      first_end = to_visible(at + term.size());
    }
  }
  make_snippet(first_start, first_end, false);
  return true;
}

std::size_t ArticleMatcher::find_term(const std::u16string& term, std::size_t from) const {
  const std::u16string_view lowered(lowered_);
  const bool at_word_start = is_word_char(term.front());
  for (std::size_t at = lowered.find(term, from); at != std::u16string_view::npos;
       at = lowered.find(term, at + 1)) {
    if (!at_word_start || word_start(at)) return at;
  }
  return std::u16string::npos;
}

void ArticleMatcher::lower_visible() {
  const std::u16string& text = visible_;
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
                                                       : visible_.size();
}

bool ArticleMatcher::word_start(std::size_t lowered_position) const {
  const std::size_t at = to_visible(lowered_position);
  return at == 0 || !is_word_char(visible_[at - 1]);
}

bool ArticleMatcher::find_regex(std::size_t* first_start, std::size_t* first_end) {
  if (!regex_) return false;
  regex_input_->setTo(false, visible_.data(), static_cast<std::int32_t>(visible_.size()));
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
  const std::u16string_view text = std::u16string_view(visible_).substr(start, end - start);
  for (const std::u16string& known : result_.matched_texts)
    if (known == text) return;
  result_.matched_texts.emplace_back(text);
}

void ArticleMatcher::make_snippet(std::size_t start, std::size_t end, bool text_continues) {
  const std::u16string_view text(visible_);
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
  if (to < text.size() || text_continues) result_.snippet.push_back(kEllipsis);
}

}  // namespace lexora
