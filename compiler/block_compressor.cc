#include "compiler/block_compressor.h"

#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <limits>

#include "compiler/dictionary_writer.h"

namespace lexora::compiler {
namespace {

// igzip's level for kFast: on dictionary text about as fast as level 1
// and a little smaller; level 3 costs 40 % more time for 2 % less.
constexpr unsigned kFastLevel = 2;
constexpr std::uint32_t kFastLevelBufSize = ISAL_DEF_LVL2_SMALL;
// A block igzip cannot pack it writes as stored blocks: the bytes plus 5 per
// 65,535, the zlib header and Adler-32 and a byte of the last block's bits.
constexpr std::size_t kStoredBlockBytes = 65535;
constexpr std::size_t kStoredHeaderSize = 5;
constexpr std::size_t kZlibWrapperSize = 2 + 4;
constexpr std::size_t kSlack = 16;
// Buffers of blocks larger than this are freed rather than kept for reuse.
constexpr std::size_t kMaxKeptBuffer = std::size_t{1} << 20;

std::size_t igzip_bound(std::size_t size) {
  return size + kStoredHeaderSize * (size / kStoredBlockBytes + 2) + kZlibWrapperSize + kSlack;
}

}  // namespace

BlockDeflater::BlockDeflater(BlockCompression compression) {
  if (compression != BlockCompression::kFast) return;
  stream_ = std::make_unique<isal_zstream>();
  level_buf_ = std::make_unique<std::uint8_t[]>(kFastLevelBufSize);
}

BlockDeflater::~BlockDeflater() = default;

void BlockDeflater::compress(const std::uint8_t* data, std::size_t size,
                             std::vector<std::uint8_t>* out) {
  if (stream_ == nullptr || !igzip(data, size, out)) *out = zlib_compress(data, size);
}

bool BlockDeflater::igzip(const std::uint8_t* data, std::size_t size,
                          std::vector<std::uint8_t>* out) {
  const std::size_t bound = igzip_bound(size);
  if (bound > std::numeric_limits<std::uint32_t>::max()) return false;
  if (scratch_.size() < bound) scratch_.resize(bound);
  isal_zstream& s = *stream_;
  isal_deflate_stateless_init(&s);
  // igzip only reads the input, though its field is not const.
  s.next_in = const_cast<std::uint8_t*>(data);
  s.avail_in = static_cast<std::uint32_t>(size);
  s.next_out = scratch_.data();
  s.avail_out = static_cast<std::uint32_t>(bound);
  s.level = kFastLevel;
  s.level_buf = level_buf_.get();
  s.level_buf_size = kFastLevelBufSize;
  s.gzip_flag = IGZIP_ZLIB;
  s.flush = NO_FLUSH;
  s.end_of_stream = 1;
  if (isal_deflate_stateless(&s) != COMP_OK || s.total_out > bound) return false;
  out->assign(scratch_.begin(), scratch_.begin() + s.total_out);
  return true;
}

std::vector<std::uint8_t> compress_stream(const std::uint8_t* data, std::size_t size,
                                          BlockCompression compression) {
  BlockDeflater deflater(compression);
  std::vector<std::uint8_t> out;
  deflater.compress(data, size, &out);
  return out;
}

BlockCompressor::BlockCompressor(unsigned threads, BlockCompression compression)
    : compression_(compression) {
  if (threads == 0) own_deflater_ = std::make_unique<BlockDeflater>(compression_);
  for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });
}

BlockCompressor::~BlockCompressor() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : workers_) t.join();
}

unsigned BlockCompressor::default_threads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores <= 1 ? 0 : std::min(cores, 4u);
}

std::shared_ptr<BlockCompressor::Job> BlockCompressor::spare_job() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (spare_.empty()) return std::make_shared<Job>();
  std::shared_ptr<Job> job = std::move(spare_.back());
  spare_.pop_back();
  job->started = false;
  job->done = false;
  return job;
}

void BlockCompressor::submit(std::vector<std::uint8_t>&& block) {
  std::shared_ptr<Job> job = spare_job();
  job->size = block.size();
  job->input.swap(block);
  block.clear();
  if (workers_.empty()) {
    own_deflater_->compress(job->input.data(), job->input.size(), &job->output);
    job->done = true;
    jobs_.push_back(std::move(job));
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
}

void BlockCompressor::take(std::size_t* unpacked_size, std::vector<std::uint8_t>* packed) {
  std::unique_lock<std::mutex> lock(mutex_);
  std::shared_ptr<Job> job = jobs_.front();
  done_.wait(lock, [&] { return job->done; });
  jobs_.pop_front();
  *unpacked_size = job->size;
  packed->swap(job->output);
  if (job->output.capacity() > kMaxKeptBuffer) std::vector<std::uint8_t>().swap(job->output);
  if (job->input.capacity() > kMaxKeptBuffer) std::vector<std::uint8_t>().swap(job->input);
  spare_.push_back(std::move(job));
}

void BlockCompressor::work() {
  BlockDeflater deflater(compression_);
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    std::shared_ptr<Job> job;
    wake_.wait(lock, [&] {
      if (stopping_) return true;
      for (const auto& j : jobs_)
        if (!j->started) return true;
      return false;
    });
    for (const auto& j : jobs_) {
      if (!j->started) {
        job = j;
        break;
      }
    }
    if (!job) return;  // stopping with nothing left to do
    job->started = true;
    lock.unlock();
    // Only this worker touches the job's buffers until it is marked done.
    deflater.compress(job->input.data(), job->input.size(), &job->output);
    lock.lock();
    job->done = true;
    done_.notify_all();
  }
}

}  // namespace lexora::compiler
