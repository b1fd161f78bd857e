#include "compiler/block_compressor.h"

#include <algorithm>

#include "compiler/dictionary_writer.h"

namespace lexora::compiler {

BlockCompressor::BlockCompressor(unsigned threads) {
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
    job->output = zlib_compress(block.data(), block.size());
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
    std::vector<std::uint8_t> output = zlib_compress(job->input.data(), job->input.size());
    std::vector<std::uint8_t>().swap(job->input);
    lock.lock();
    job->output = std::move(output);
    job->done = true;
    done_.notify_all();
  }
}

}  // namespace lexora::compiler
