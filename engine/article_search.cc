#include "engine/article_search.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/article_block.h"
#include "engine/dictionary.h"

namespace lexora {
namespace {

// How far (in blocks per worker) the workers may run ahead of the results
// delivered: enough to keep every core busy while one block takes longer,
// few enough that a stopped search wastes little and pending results stay
// small.
constexpr std::uint32_t kBlocksAheadPerWorker = 8;
// How often the delivering thread looks at the cancel flag while it waits.
constexpr auto kCancelPoll = std::chrono::milliseconds(5);

// Reads the whole of [offset, offset + size) or fails.
bool pread_all(int fd, void* buffer, std::size_t size, std::uint64_t offset) {
  auto* at = static_cast<char*>(buffer);
  while (size > 0) {
    const ssize_t got = ::pread(fd, at, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    at += got;
    size -= static_cast<std::size_t>(got);
    offset += static_cast<std::uint64_t>(got);
  }
  return true;
}

// One worker's reading and inflating of blocks: its own inflate state and
// buffers, which grow to the largest block seen and are reused. A block is
// inflated whole, into a buffer of the size its header gives, so the
// whole-buffer inflater (libdeflate: the same zlib streams, in about half
// zlib's time) does it.
class BlockReader {
 public:
  BlockReader(int fd, std::uint64_t file_size)
      : fd_(fd), file_size_(file_size), inflater_(libdeflate_alloc_decompressor()) {}
  ~BlockReader() { libdeflate_free_decompressor(inflater_); }
  BlockReader(const BlockReader&) = delete;
  BlockReader& operator=(const BlockReader&) = delete;

  // The inflated bytes of the block at `offset`, valid until the next call;
  // nothing when the block is damaged (or its buffers cannot be had).
  std::optional<std::string_view> read(std::uint64_t offset) {
    std::uint8_t head[kBlockHeaderSize];
    if (inflater_ == nullptr || !block_header_fits(offset, file_size_) ||
        !pread_all(fd_, head, sizeof head, offset)) {
      return std::nullopt;
    }
    const std::optional<BlockExtent> extent = read_block_extent(head, offset, file_size_);
    if (!extent) return std::nullopt;
    try {
      packed_.resize(extent->packed_size);
      unpacked_.resize(std::max<std::size_t>(extent->unpacked_size, 1));
    } catch (const std::bad_alloc&) {
      return std::nullopt;
    }
    if (!pread_all(fd_, packed_.data(), extent->packed_size, offset + kBlockHeaderSize))
      return std::nullopt;
    // As article_at: the stream must end within the size the header gives;
    // a complete stream shorter than that counts for what it holds, and
    // bytes after its end are ignored.
    std::size_t inflated = 0;
    if (libdeflate_zlib_decompress(inflater_, packed_.data(), extent->packed_size, unpacked_.data(),
                                   extent->unpacked_size, &inflated) != LIBDEFLATE_SUCCESS) {
      return std::nullopt;
    }
    return std::string_view(unpacked_.data(), inflated);
  }

 private:
  int fd_;
  std::uint64_t file_size_;
  libdeflate_decompressor* inflater_;
  std::vector<std::uint8_t> packed_;
  std::vector<char> unpacked_;
};

struct FoundArticle {
  std::uint32_t index;
  ArticleMatch match;
};

struct BlockOutcome {
  std::vector<FoundArticle> found;
  bool damaged = false;
};

class SearchRun {
 public:
  SearchRun(const Dictionary& dict, const SearchQuery& query, const std::atomic<bool>* cancel)
      : dict_(dict), query_(query), cancel_(cancel) {}
  ~SearchRun() {
    stop_workers();
    if (fd_ >= 0) ::close(fd_);
  }
  SearchRun(const SearchRun&) = delete;
  SearchRun& operator=(const SearchRun&) = delete;

  SearchSummary run(const SearchOptions& options, const SearchHitCallback& on_hit,
                    const SearchProgressCallback& on_progress);

 private:
  bool open_file();
  void start_workers(unsigned wanted);
  void stop_workers();
  void work();
  BlockOutcome search_block(std::uint32_t block, BlockReader* reader, ArticleMatcher* matcher);
  bool cancel_requested() const {
    return cancel_ != nullptr && cancel_->load(std::memory_order_relaxed);
  }
  bool should_stop() const {
    return stopping_.load(std::memory_order_relaxed) || cancel_requested();
  }
  // Waits for the next block's outcome; nothing when the search is cancelled.
  std::optional<BlockOutcome> next_outcome();

  const Dictionary& dict_;
  const SearchQuery& query_;
  const std::atomic<bool>* cancel_;
  int fd_ = -1;
  std::uint64_t file_size_ = 0;
  std::uint32_t total_ = 0;
  std::uint32_t window_ = 0;
  std::vector<std::thread> workers_;
  std::atomic<bool> stopping_{false};

  std::mutex mutex_;
  std::condition_variable ready_;  // a block is done
  std::condition_variable room_;   // a block was delivered, or the search stops
  std::map<std::uint32_t, BlockOutcome> done_;
  std::uint32_t next_block_ = 0;
  std::uint32_t delivered_ = 0;
};

bool SearchRun::open_file() {
  fd_ = ::open(dict_.path().c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) return false;
  file_size_ = static_cast<std::uint64_t>(info.st_size);
  return true;
}

void SearchRun::start_workers(unsigned wanted) {
  for (unsigned i = 0; i < wanted; ++i) {
    try {
      workers_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
      break;  // run with the workers there are
    }
  }
}

void SearchRun::stop_workers() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_.store(true);
  }
  room_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
}

void SearchRun::work() {
  BlockReader reader(fd_, file_size_);
  ArticleMatcher matcher(query_, dict_.header().articles_code_page);
  for (;;) {
    std::uint32_t block;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      room_.wait(lock, [this] {
        return stopping_.load() || next_block_ >= total_ || next_block_ - delivered_ < window_;
      });
      if (stopping_.load() || next_block_ >= total_) return;
      block = next_block_++;
    }
    BlockOutcome outcome = search_block(block, &reader, &matcher);
    bool wake;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // The delivering thread is woken for results, for a batch of blocks
      // (not for every block: a wake costs more than searching a short
      // block), and for the last blocks.
      wake = !outcome.found.empty() || outcome.damaged || done_.size() + 1 >= window_ / 2 ||
             (next_block_ >= total_ && done_.size() + 1 == next_block_ - delivered_);
      done_.emplace(block, std::move(outcome));
    }
    if (wake) ready_.notify_one();
  }
}

BlockOutcome SearchRun::search_block(std::uint32_t block, BlockReader* reader,
                                     ArticleMatcher* matcher) {
  BlockOutcome outcome;
  const DictionaryHeader& header = dict_.header();
  const std::uint64_t first = std::uint64_t{block} * header.articles_per_block;
  const std::uint64_t count =
      std::min<std::uint64_t>(header.articles_per_block, header.word_count - first);
  const std::optional<std::string_view> data = reader->read(dict_.block_offsets()[block]);
  if (!data) {
    outcome.damaged = true;
    return outcome;
  }
  ArticleWalker walker(*data);
  for (std::uint64_t j = 0; j < count; ++j) {
    if (should_stop()) break;
    const std::optional<std::string_view> article = walker.next();
    if (!article) break;
    std::optional<ArticleMatch> match = matcher->match_stored(*article);
    if (match) outcome.found.push_back({static_cast<std::uint32_t>(first + j), std::move(*match)});
  }
  return outcome;
}

std::optional<BlockOutcome> SearchRun::next_outcome() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (cancel_requested()) return std::nullopt;
    auto found = done_.find(delivered_);
    if (found != done_.end()) {
      BlockOutcome outcome = std::move(found->second);
      done_.erase(found);
      ++delivered_;
      lock.unlock();
      room_.notify_all();
      return outcome;
    }
    if (workers_.empty()) return std::nullopt;  // nobody left to do it
    ready_.wait_for(lock, kCancelPoll);
  }
}

SearchSummary SearchRun::run(const SearchOptions& options, const SearchHitCallback& on_hit,
                             const SearchProgressCallback& on_progress) {
  SearchSummary summary;
  const DictionaryHeader& header = dict_.header();
  WordCodec words(header.words_code_page, header.locale_id);
  if (!dict_.is_open() || !open_file() ||
      !ArticleMatcher(query_, header.articles_code_page).valid()) {
    summary.unreadable = true;
    return summary;
  }
  // Blocks past the last headword hold no article anyone can ask for.
  if (header.articles_per_block != 0) {
    const std::uint64_t needed =
        (std::uint64_t{header.word_count} + header.articles_per_block - 1) /
        header.articles_per_block;
    total_ = static_cast<std::uint32_t>(
        std::min<std::uint64_t>({needed, header.block_count, dict_.block_offsets().size()}));
  }
  summary.blocks_total = total_;
  unsigned wanted = options.threads != 0 ? options.threads : std::thread::hardware_concurrency();
  wanted = std::clamp<unsigned>(wanted, 1, std::max<std::uint32_t>(total_, 1));
  window_ = wanted * kBlocksAheadPerWorker;
  start_workers(wanted);
  summary.threads = static_cast<unsigned>(workers_.size());

  SearchHit hit;
  bool go_on = true;
  while (go_on && delivered_ < total_) {
    std::optional<BlockOutcome> outcome = next_outcome();
    if (!outcome) {
      summary.cancelled = cancel_requested();
      break;
    }
    ++summary.blocks_searched;
    if (outcome->damaged) ++summary.damaged_blocks;
    for (FoundArticle& found : outcome->found) {
      hit.index = found.index;
      const std::optional<std::string_view> raw = dict_.raw_word_at(found.index);
      if (!raw || !words.decode(*raw, &hit.headword)) hit.headword.clear();
      hit.match = std::move(found.match);
      ++summary.hits;
      if (!on_hit(hit) || (options.max_results != 0 && summary.hits >= options.max_results)) {
        go_on = false;
        break;
      }
    }
    if (on_progress) on_progress(delivered_, total_);
  }
  stop_workers();
  return summary;
}

}  // namespace

SearchSummary search_articles(const Dictionary& dict, const SearchQuery& query,
                              const SearchOptions& options, const SearchHitCallback& on_hit,
                              const SearchProgressCallback& on_progress,
                              const std::atomic<bool>* cancel) {
  SearchRun run(dict, query, cancel);
  return run.run(options, on_hit, on_progress);
}

}  // namespace lexora
