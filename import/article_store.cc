#include "import/article_store.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace lexora::import {
namespace {

constexpr std::size_t kChunkSize = std::size_t{1} << 20;
constexpr std::size_t kCachedChunks = 4;
// Inflations beyond this many per sealed chunk mean the reads jump around.
constexpr std::uint64_t kInflationsPerChunk = 8;
constexpr std::uint32_t kMaxSize = 0x7FFFFFFF;

std::uint32_t checksum_of(std::string_view text) {
  return libdeflate_crc32(0, text.data(), text.size());
}

}  // namespace

// libdeflate's whole-buffer coders: the chunks are compressed and inflated
// whole, which it does several times faster than zlib's streams.
struct ArticleStore::Coders {
  libdeflate_compressor* compressor = libdeflate_alloc_compressor(kChunkLevel);
  libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
  Coders() = default;
  Coders(const Coders&) = delete;
  Coders& operator=(const Coders&) = delete;
  ~Coders() {
    if (compressor != nullptr) libdeflate_free_compressor(compressor);
    if (decompressor != nullptr) libdeflate_free_decompressor(decompressor);
  }
  static constexpr int kChunkLevel = 1;
};

ArticleStore::ArticleStore() : coders_(std::make_unique<Coders>()), cache_(kCachedChunks) {}
ArticleStore::~ArticleStore() {
  if (sealing_.joinable()) sealing_.join();
}

void ArticleStore::seal_open_chunk() {
  finish_sealing();
  Chunk c;
  c.size = static_cast<std::uint32_t>(open_.size());
  chunks_.push_back(std::move(c));
  // The full chunk is compressed on another thread while the caller fills
  // the next; its text stays readable meanwhile (text() reads sealing_text_).
  std::swap(open_, sealing_text_);
  open_.clear();
  sealing_chunk_ = static_cast<std::uint32_t>(chunks_.size() - 1);
  sealing_ = std::thread([this] {
    sealed_.clear();
    if (coders_->compressor == nullptr || coders_->decompressor == nullptr) return;
    sealed_.resize(libdeflate_deflate_compress_bound(coders_->compressor, sealing_text_.size()));
    sealed_.resize(libdeflate_deflate_compress(coders_->compressor, sealing_text_.data(),
                                               sealing_text_.size(), sealed_.data(),
                                               sealed_.size()));
  });
}

void ArticleStore::finish_sealing() {
  if (!sealing_.joinable()) return;
  sealing_.join();
  Chunk& c = chunks_[sealing_chunk_];
  if (!sealed_.empty()) {
    c.packed.assign(sealed_.begin(), sealed_.end());
  } else {
    // Kept plain: the store must never lose a text.
    c.plain = sealing_text_;
  }
  sealing_text_.clear();  // its room serves the next open chunk
  sealing_chunk_ = kNoArticle;
}

std::uint32_t ArticleStore::add(std::string_view text, bool preformatted) {
  if (text.size() > kMaxSize || spans_.size() >= kNoArticle - 1 || chunks_.size() >= kNoArticle - 1)
    return kNoArticle;
  if (!open_.empty() && open_.size() + text.size() > kChunkSize) seal_open_chunk();
  if (open_.capacity() < kChunkSize) open_.reserve(kChunkSize);
  spans_.push_back(
      Span{static_cast<std::uint32_t>(chunks_.size()), static_cast<std::uint32_t>(open_.size()),
           static_cast<std::uint32_t>(text.size()) | (preformatted ? kPreformattedBit : 0)});
  open_.append(text);
  return static_cast<std::uint32_t>(spans_.size() - 1);
}

std::uint32_t ArticleStore::add_sourced(std::string_view text, SourceSpan span, bool preformatted) {
  if (text.size() > kMaxSize || spans_.size() >= kNoArticle - 1 ||
      sourced_.size() >= kNoArticle - 1)
    return kNoArticle;
  spans_.push_back(
      Span{kSourcedChunk, static_cast<std::uint32_t>(sourced_.size()),
           static_cast<std::uint32_t>(text.size()) | (preformatted ? kPreformattedBit : 0)});
  sourced_.push_back(Sourced{span, checksum_of(text)});
  return static_cast<std::uint32_t>(spans_.size() - 1);
}

void ArticleStore::reserve(std::size_t count) {
  spans_.reserve(spans_.size() + count);
  if (source_ != nullptr) sourced_.reserve(sourced_.size() + count);
}

void ArticleStore::drop_last() {
  if (sourced(static_cast<std::uint32_t>(spans_.size() - 1))) {
    sourced_.pop_back();
  } else {
    // The held text added last always lies at the end of the open chunk.
    open_.resize(spans_.back().offset);
  }
  spans_.pop_back();
}

void ArticleStore::inflate_into(const Chunk& c, char* out) {
  // The chunk was compressed here from `size` bytes, so it inflates to
  // exactly that; anything else is a fault of this program.
  const libdeflate_result result = libdeflate_deflate_decompress(
      coders_->decompressor, c.packed.data(), c.packed.size(), out, c.size, nullptr);
  if (result != LIBDEFLATE_SUCCESS) std::abort();
}

const std::string& ArticleStore::inflated(std::uint32_t chunk) {
  if (chunk == sealing_chunk_ && sealing_.joinable()) return sealing_text_;
  finish_sealing();
  Chunk& c = chunks_[chunk];
  if (!c.plain.empty() || c.size == 0) return c.plain;
  for (Cached& k : cache_) {
    if (k.chunk == chunk) {
      k.used = ++clock_;
      return k.text;
    }
  }
  if (inflations_ > kInflationsPerChunk * chunks_.size() + kCachedChunks && !fully_inflated_) {
    fully_inflated_ = true;
    for (std::uint32_t i = 0; i < chunks_.size(); ++i) {
      Chunk& other = chunks_[i];
      if (!other.plain.empty()) continue;
      other.plain.resize(other.size);
      inflate_into(other, other.plain.data());
      std::vector<std::uint8_t>().swap(other.packed);
    }
    for (Cached& k : cache_) {
      k.chunk = kNoArticle;
      std::string().swap(k.text);
    }
    return c.plain;
  }
  Cached& slot =
      *std::min_element(cache_.begin(), cache_.end(),
                        [](const Cached& a, const Cached& b) { return a.used < b.used; });
  slot.text.resize(c.size);
  inflate_into(c, slot.text.data());
  ++inflations_;
  slot.chunk = chunk;
  slot.used = ++clock_;
  return slot.text;
}

std::string_view ArticleStore::text(std::uint32_t id) {
  const Span& s = spans_[id];
  const std::size_t size = s.size & kMaxSize;
  if (s.chunk == chunks_.size()) return std::string_view(open_).substr(s.offset, size);
  return std::string_view(inflated(s.chunk)).substr(s.offset, size);
}

bool ArticleStore::read(std::uint32_t id, std::string_view* text, std::string* error) {
  const Span& s = spans_[id];
  if (s.chunk != kSourcedChunk) {
    *text = this->text(id);
    return true;
  }
  if (source_ == nullptr) {
    *error = "the source of the articles is gone";
    return false;
  }
  if (!read_sourced(id, *source_, &made_, error)) return false;
  *text = made_;
  return true;
}

std::unique_ptr<ArticleSource> ArticleStore::another_source() const {
  return source_ != nullptr ? source_->another() : nullptr;
}

bool ArticleStore::read_sourced(std::uint32_t id, ArticleSource& source, std::string* made,
                                std::string* error) const {
  const Span& s = spans_[id];
  const Sourced& from = sourced_[s.offset];
  if (!source.markup(from.span, made, error)) return false;
  if (made->size() != (s.size & kMaxSize) || checksum_of(*made) != from.checksum) {
    *error = source.file() + ": offset " + std::to_string(from.span.offset) +
             ": the text changed while the dictionary was being converted";
    return false;
  }
  return true;
}

bool ArticleStore::same_text(std::uint32_t id, std::string_view text) {
  const Span& s = spans_[id];
  if ((s.size & kMaxSize) != text.size()) return false;
  if (s.chunk == kSourcedChunk && sourced_[s.offset].checksum != checksum_of(text)) return false;
  std::string_view held;
  std::string ignored;
  return read(id, &held, &ignored) && held == text;
}

}  // namespace lexora::import
