// Search through every article of a dictionary, with no index: the article
// blocks are read and inflated in parallel, each worker with its own inflate
// state, buffers and file reads (pread on a descriptor of its own search,
// never the dictionary's stream or its one-block cache), and each article is
// matched as search_query.h says. Results come out in headword order while
// the search runs.
//
// Memory stays bounded: a worker holds one block (packed and inflated) at a
// time, and workers run at most a few blocks ahead of the results delivered,
// so what grows is only the results the caller keeps.
#ifndef LEXORA_ENGINE_ARTICLE_SEARCH_H_
#define LEXORA_ENGINE_ARTICLE_SEARCH_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/search_query.h"

namespace lexora {

class Dictionary;

struct SearchHit {
  std::uint32_t index = 0;  // headword position
  std::u16string headword;
  ArticleMatch match;
};

struct SearchOptions {
  unsigned threads = 0;           // workers; 0: one per core
  std::uint64_t max_results = 0;  // 0: no limit
};

struct SearchSummary {
  std::uint64_t hits = 0;
  std::uint32_t blocks_searched = 0;
  std::uint32_t blocks_total = 0;
  // Blocks whose header, data or compressed stream is damaged; their
  // articles are skipped.
  std::uint32_t damaged_blocks = 0;
  unsigned threads = 0;
  bool cancelled = false;
  // The dictionary file could not be opened again for reading, or its
  // article code page cannot be decoded: nothing was searched.
  bool unreadable = false;
};

// Called on the thread that runs search_articles, in headword order; the
// hit is valid only during the call. Returning false ends the search.
using SearchHitCallback = std::function<bool(const SearchHit&)>;
// Called on the same thread after each block: blocks done, blocks in all.
using SearchProgressCallback = std::function<void(std::uint32_t, std::uint32_t)>;

// Searches the articles of `dict`, which must be open and must not be
// opened, closed or otherwise used by another thread until this returns
// (give a search its own Dictionary). Runs until every article is matched,
// `options.max_results` hits are delivered, `on_hit` returns false, or
// `cancel` (may be null) becomes true; cancel is looked at before every
// article. Shows no messages: damage is counted in the summary.
SearchSummary search_articles(const Dictionary& dict, const SearchQuery& query,
                              const SearchOptions& options, const SearchHitCallback& on_hit,
                              const SearchProgressCallback& on_progress,
                              const std::atomic<bool>* cancel);

}  // namespace lexora

#endif  // LEXORA_ENGINE_ARTICLE_SEARCH_H_
