#include "engine/fuzzy_index.h"

#include <algorithm>
#include <numeric>

#include "engine/dictionary.h"
#include "engine/word_compare.h"
#include "platform/nls.h"

namespace lexora {
namespace {

constexpr std::uint32_t kNoKey = 0xFFFFFFFFu;

std::u16string fold_with(const WordCodec& codec, std::u16string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && is_trimmed_punctuation(text[begin])) ++begin;
  while (end > begin && is_trimmed_punctuation(text[end - 1])) --end;
  // Nothing but punctuation: keep it whole rather than fold it to nothing.
  const std::u16string_view core = begin < end ? text.substr(begin, end - begin) : text;
  std::u16string out;
  codec.lower(core, &out);
  return out;
}

template <typename T>
std::size_t heap_bytes(const std::vector<T>& v) {
  return v.capacity() * sizeof(T);
}

// The first index in [lo, hi) for which `pred` is false, given that `pred`
// holds for a prefix of the range and fails for the rest (hi when it holds
// throughout). A plain binary search over indices: the ranges form over an
// integer view does not compile with every standard library we build with.
template <typename Pred>
std::uint32_t partition_point_index(std::uint32_t lo, std::uint32_t hi, Pred pred) {
  while (lo < hi) {
    const std::uint32_t mid = lo + (hi - lo) / 2;
    if (pred(mid)) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

// The first key not below `folded` in the sorted keys (key_count() when
// every key is below it).
std::uint32_t first_key_not_below(const FuzzyIndex& index, std::u16string_view folded) {
  return partition_point_index(0, index.key_count(),
                               [&](std::uint32_t k) { return index.key(k) < folded; });
}

}  // namespace

FuzzyIndex::FuzzyIndex() = default;
FuzzyIndex::~FuzzyIndex() = default;
FuzzyIndex::FuzzyIndex(FuzzyIndex&&) noexcept = default;
FuzzyIndex& FuzzyIndex::operator=(FuzzyIndex&&) noexcept = default;

FuzzyIndex FuzzyIndex::build(const Dictionary& dict) {
  FuzzyIndex index;
  const DictionaryHeader& header = dict.header();
  index.codec_ = std::make_unique<WordCodec>(header.words_code_page, header.locale_id);
  std::vector<std::u16string> folded(dict.is_open() ? header.word_count : 0);
  std::u16string wide;
  for (std::uint32_t i = 0; i < folded.size(); ++i) {
    const std::optional<std::string_view> raw = dict.raw_word_at(i);
    if (!raw || !index.codec_->decode(*raw, &wide)) wide.clear();
    folded[i] = fold_with(*index.codec_, wide);
  }
  index.build_from(std::move(folded));
  return index;
}

FuzzyIndex FuzzyIndex::build(std::span<const std::u16string> headwords, std::uint32_t locale_id) {
  FuzzyIndex index;
  index.codec_ = std::make_unique<WordCodec>(kCodePageUtf8, locale_id);
  std::vector<std::u16string> folded;
  folded.reserve(headwords.size());
  for (const std::u16string& word : headwords) folded.push_back(fold_with(*index.codec_, word));
  index.build_from(std::move(folded));
  return index;
}

std::u16string FuzzyIndex::fold(std::u16string_view text) const {
  if (!codec_) return std::u16string(text);
  return fold_with(*codec_, text);
}

void FuzzyIndex::build_from(std::vector<std::u16string>&& folded) {
  std::vector<std::uint32_t> order(folded.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    const int c = folded[a].compare(folded[b]);
    return c != 0 ? c < 0 : a < b;
  });
  key_text_.clear();
  key_offsets_.assign(1, 0);
  key_positions_.assign(1, 0);
  positions_.clear();
  positions_.reserve(order.size());
  std::size_t total_units = 0;
  for (const std::u16string& f : folded) total_units += f.size();
  key_text_.reserve(total_units);
  for (std::size_t i = 0; i < order.size(); ++i) {
    const std::u16string& f = folded[order[i]];
    if (i == 0 || f != folded[order[i - 1]]) {
      if (i != 0) key_positions_.push_back(static_cast<std::uint32_t>(positions_.size()));
      key_text_ += f;
      key_offsets_.push_back(static_cast<std::uint32_t>(key_text_.size()));
    }
    positions_.push_back(order[i]);
  }
  if (!order.empty()) key_positions_.push_back(static_cast<std::uint32_t>(positions_.size()));
  key_text_.shrink_to_fit();
  key_offsets_.shrink_to_fit();
  key_positions_.shrink_to_fit();
  folded.clear();
  build_trie();
}

void FuzzyIndex::build_trie() {
  labels_.assign(1, u'\0');
  first_child_.clear();
  node_key_.clear();
  // Key range and depth of each node while the trie grows; a node's keys
  // share its path as their prefix, and the one that ends there (at most
  // one, the keys being distinct) sorts first.
  std::vector<std::uint32_t> range_begin{0};
  std::vector<std::uint32_t> range_end{key_count()};
  std::vector<std::uint32_t> depth{0};
  for (std::size_t n = 0; n < labels_.size(); ++n) {
    std::uint32_t lo = range_begin[n];
    const std::uint32_t hi = range_end[n];
    const std::uint32_t d = depth[n];
    first_child_.push_back(static_cast<std::uint32_t>(labels_.size()));
    node_key_.push_back(kNoKey);
    if (lo < hi && key(lo).size() == d) node_key_[n] = lo++;
    while (lo < hi) {
      const char16_t c = key(lo)[d];
      std::uint32_t end = lo + 1;
      while (end < hi && key(end)[d] == c) ++end;
      labels_.push_back(c);
      range_begin.push_back(lo);
      range_end.push_back(end);
      depth.push_back(d + 1);
      lo = end;
    }
  }
  first_child_.push_back(static_cast<std::uint32_t>(labels_.size()));
  labels_.shrink_to_fit();
  first_child_.shrink_to_fit();
  node_key_.shrink_to_fit();
}

void FuzzyIndex::keys_within(std::u16string_view folded, int max_distance,
                             std::vector<KeyMatch>* out) const {
  if (key_count() == 0) return;
  const std::uint8_t limit =
      static_cast<std::uint8_t>(std::clamp(max_distance, 0, kMaxFuzzyDistance));
  const std::uint8_t cap = limit + 1;  // every larger distance is stored as cap
  const std::size_t m = folded.size();
  const std::size_t width = m + 1;
  // Row k is the distance of every prefix of the query from a path of length
  // k. A cell of row k is at least k - m, so no row past m + limit + 1 is
  // ever needed.
  std::vector<std::uint8_t> rows((m + limit + 2) * width);
  for (std::size_t j = 0; j <= m; ++j)
    rows[j] = static_cast<std::uint8_t>(std::min<std::size_t>(j, cap));
  if (node_key_[0] != kNoKey && rows[m] <= limit) out->push_back({node_key_[0], rows[m]});

  std::vector<std::pair<std::uint32_t, std::uint32_t>> stack;  // node, depth
  for (std::uint32_t c = first_child_[1]; c-- > first_child_[0];) stack.push_back({c, 1});
  while (!stack.empty()) {
    const auto [node, k] = stack.back();
    stack.pop_back();
    const std::uint8_t* prev = &rows[(k - 1) * width];
    std::uint8_t* cur = &rows[k * width];
    const char16_t label = labels_[node];
    std::uint8_t smallest = static_cast<std::uint8_t>(std::min<std::uint32_t>(k, cap));
    cur[0] = smallest;
    for (std::size_t j = 1; j <= m; ++j) {
      std::uint8_t v = static_cast<std::uint8_t>(prev[j - 1] + (folded[j - 1] != label ? 1 : 0));
      v = std::min<std::uint8_t>(v, static_cast<std::uint8_t>(prev[j] + 1));
      v = std::min<std::uint8_t>(v, static_cast<std::uint8_t>(cur[j - 1] + 1));
      v = std::min(v, cap);
      cur[j] = v;
      smallest = std::min(smallest, v);
    }
    if (node_key_[node] != kNoKey && cur[m] <= limit) out->push_back({node_key_[node], cur[m]});
    if (smallest > limit) continue;
    for (std::uint32_t c = first_child_[node + 1]; c-- > first_child_[node];)
      stack.push_back({c, k + 1});
  }
}

std::vector<FuzzyMatch> FuzzyIndex::suggest(std::u16string_view word, int max_distance,
                                            std::size_t max_results) const {
  std::vector<KeyMatch> keys;
  keys_within(fold(word), max_distance, &keys);
  std::vector<FuzzyMatch> found;
  for (const KeyMatch& km : keys)
    for (std::uint32_t position : positions(km.key)) found.push_back({position, km.distance});
  std::sort(found.begin(), found.end(), [](const FuzzyMatch& a, const FuzzyMatch& b) {
    return a.distance != b.distance ? a.distance < b.distance : a.index < b.index;
  });
  if (found.size() > max_results) found.resize(max_results);
  return found;
}

std::uint32_t FuzzyIndex::find_key(std::u16string_view folded) const {
  const std::uint32_t lo = first_key_not_below(*this, folded);
  return lo < key_count() && key(lo) == folded ? lo : key_count();
}

std::pair<std::uint32_t, std::uint32_t> FuzzyIndex::prefix_range(std::u16string_view folded) const {
  // Keys that begin with `folded` follow the first one not below it.
  const std::uint32_t first = first_key_not_below(*this, folded);
  const std::uint32_t end = partition_point_index(
      first, key_count(), [&](std::uint32_t k) { return key(k).starts_with(folded); });
  return {first, end};
}

std::size_t FuzzyIndex::memory_bytes() const {
  return key_text_.capacity() * sizeof(char16_t) + heap_bytes(key_offsets_) +
         heap_bytes(key_positions_) + heap_bytes(positions_) + heap_bytes(labels_) +
         heap_bytes(first_child_) + heap_bytes(node_key_);
}

int edit_distance(std::u16string_view a, std::u16string_view b) {
  std::vector<int> row(b.size() + 1);
  std::iota(row.begin(), row.end(), 0);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    int diagonal = row[0];
    row[0] = static_cast<int>(i);
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const int above = row[j];
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1] ? 1 : 0)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace lexora
