#include "compiler/block_compressor.h"

#include <libdeflate.h>

#include <algorithm>

#include "compiler/dictionary_writer.h"

namespace lexora::compiler {

// One thread's compressor: libdeflate's state is not shared between threads.
class BlockCompressor::Deflater {
 public:
  explicit Deflater(BlockCompression compression)
      : fast_(compression == BlockCompression::kFast ? libdeflate_alloc_compressor(kFastLevel)
                                                     : nullptr) {}
  ~Deflater() {
    if (fast_ != nullptr) libdeflate_free_compressor(fast_);
  }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // The zlib stream of `input`; empty only when out of memory.
  std::vector<std::uint8_t> compress(const std::vector<std::uint8_t>& input) {
    return compress(input.data(), input.size());
  }
  std::vector<std::uint8_t> compress(const std::uint8_t* data, std::size_t size) {
    if (fast_ == nullptr) return zlib_compress(data, size);
    std::vector<std::uint8_t> out(libdeflate_zlib_compress_bound(fast_, size));
    const std::size_t packed = libdeflate_zlib_compress(fast_, data, size, out.data(), out.size());
    // The bound always suffices; should it not, zlib still makes the stream.
    if (packed == 0) return zlib_compress(data, size);
    out.resize(packed);
    return out;
  }

 private:
  static constexpr int kFastLevel = 1;
  libdeflate_compressor* fast_;
};

std::vector<std::uint8_t> compress_stream(const std::uint8_t* data, std::size_t size,
                                          BlockCompression compression) {
  BlockCompressor::Deflater deflater(compression);
  return deflater.compress(data, size);
}

BlockCompressor::BlockCompressor(unsigned threads, BlockCompression compression)
    : compression_(compression) {
  if (threads == 0) own_deflater_ = std::make_unique<Deflater>(compression_);
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

void BlockCompressor::submit(std::vector<std::uint8_t> block) {
  auto job = std::make_shared<Job>();
  job->size = block.size();
  if (workers_.empty()) {
    job->output = own_deflater_->compress(block);
    job->done = true;
    jobs_.push_back(std::move(job));
    return;
  }
  job->input = std::move(block);
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
  *packed = std::move(job->output);
}

void BlockCompressor::work() {
  Deflater deflater(compression_);
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
    std::vector<std::uint8_t> output = deflater.compress(job->input);
    std::vector<std::uint8_t>().swap(job->input);
    lock.lock();
    job->output = std::move(output);
    job->done = true;
    done_.notify_all();
  }
}

}  // namespace lexora::compiler
