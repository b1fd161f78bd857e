// Matching one fuzzed article against a search query. The stored bytes of a
// single-byte code page go through the byte paths (anchor bytes looked for
// sixteen at a time, plain ASCII copied sixteen at a time); the same article
// decoded to UTF-16 goes through the unit-by-unit paths. Both must give the
// same answer, snippet and marks, and the visible text read in runs must be
// the one read a character at a time. The first byte picks the query and the
// code page.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/search_query.h"
#include "engine/visible_text.h"
#include "platform/nls.h"

namespace {

struct Case {
  std::u16string_view text;
  bool regex;
};

constexpr Case kQueries[] = {
    {u"the", false},       {u"\"of the\"", false}, {u"house red", false}, {u"дом", false},
    {u"&", false},         {u"a b", false},        {u"h.use\\b", true},   {u"^\\w+$", true},
    {u"<b>", false},       {u"é", false},          {u"\"a  b\"", false},  {u"(?<!d)x", true},
    {u"caf\u00E9", false}, {u"\u0161", false},     {u"1.", false},        {u"\\s\\S", true}};
constexpr std::uint32_t kCodePages[] = {1252, 1251};
constexpr std::uint32_t kEnglish = 0x0409;

bool same(const std::optional<lexora::ArticleMatch>& a,
          const std::optional<lexora::ArticleMatch>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  return a->snippet == b->snippet && a->snippet_match_start == b->snippet_match_start &&
         a->snippet_match_length == b->snippet_match_length &&
         a->matched_texts == b->matched_texts && a->word_starts == b->word_starts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  constexpr std::size_t kQueryCount = sizeof kQueries / sizeof kQueries[0];
  const Case& query_case = kQueries[data[0] % kQueryCount];
  const std::uint32_t code_page = kCodePages[(data[0] / kQueryCount) % 2];
  static std::unique_ptr<lexora::SearchQuery> queries[kQueryCount];
  std::unique_ptr<lexora::SearchQuery>& query = queries[data[0] % kQueryCount];
  if (!query) {
    std::string error;
    query = lexora::SearchQuery::compile(query_case.text, query_case.regex, kEnglish, &error);
    if (!query) std::abort();  // every query above compiles
  }
  // Articles hold no 0 byte: it ends them in a block.
  std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  for (char& b : bytes)
    if (b == 0) b = ' ';

  lexora::ArticleMatcher matcher(*query, code_page);
  const std::optional<lexora::ArticleMatch> stored = matcher.match_stored(bytes);
  const std::u16string decoded = lexora::to_wide(bytes, code_page);
  const std::optional<lexora::ArticleMatch> text = matcher.match_text(decoded);
  if (!same(stored, text)) std::abort();

  std::vector<std::uint32_t> positions;
  const std::u16string one_by_one = lexora::visible_text(decoded, &positions);
  if (lexora::visible_text(decoded) != one_by_one || positions.size() != one_by_one.size())
    std::abort();
  return 0;
}
