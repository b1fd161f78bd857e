// Compresses article blocks on worker threads while the caller fills the
// next ones, handing the results back in the order the blocks were given,
// so that a dictionary file comes out byte for byte the same whatever the
// number of threads.
#ifndef LEXORA_COMPILER_BLOCK_COMPRESSOR_H_
#define LEXORA_COMPILER_BLOCK_COMPRESSOR_H_

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct isal_zstream;

namespace lexora::compiler {

// How blocks are deflated. Both make zlib streams that any reader inflates;
// kFast takes about a seventh of zlib's default time for a file about 7 per
// cent larger.
enum class BlockCompression {
  kZlibDefault,  // zlib at its default level: the bytes build_dictionary writes
  kFast,         // ISA-L's igzip at a fast level (zlib at its default level
                 // should igzip ever refuse a block)
};

// One zlib stream of `size` bytes, deflated as `compression` says. Sets up a
// compressor for the one call: for many blocks use a BlockCompressor.
std::vector<std::uint8_t> compress_stream(const std::uint8_t* data, std::size_t size,
                                          BlockCompression compression);

// One thread's deflater: igzip's stream state and level buffer, and the
// output buffer, made once and reused for every block. One thread at a time.
class BlockDeflater {
 public:
  explicit BlockDeflater(BlockCompression compression);
  ~BlockDeflater();
  BlockDeflater(const BlockDeflater&) = delete;
  BlockDeflater& operator=(const BlockDeflater&) = delete;

  // Replaces *out (keeping its storage) by the zlib stream of the bytes;
  // empty only when out of memory.
  void compress(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>* out);

 private:
  bool igzip(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>* out);

  std::unique_ptr<isal_zstream> stream_;  // null for kZlibDefault
  std::unique_ptr<std::uint8_t[]> level_buf_;
  std::vector<std::uint8_t> scratch_;  // as large as the largest block's bound
};

class BlockCompressor {
 public:
  // `threads` workers; 0 compresses on the calling thread inside submit().
  explicit BlockCompressor(unsigned threads,
                           BlockCompression compression = BlockCompression::kZlibDefault);
  ~BlockCompressor();
  BlockCompressor(const BlockCompressor&) = delete;
  BlockCompressor& operator=(const BlockCompressor&) = delete;

  // A sensible number of workers for this machine (0 on one core).
  static unsigned default_threads();

  // Queues one block (its unpacked bytes) for compression. Takes the bytes
  // out of `block` and leaves it empty, holding the storage of an earlier
  // block when there is one, so that a caller filling `block` again does not
  // grow it from nothing each time.
  void submit(std::vector<std::uint8_t>&& block);
  // Blocks submitted and not yet taken back.
  std::size_t pending() const { return jobs_.size(); }
  // Waits for the oldest block and hands back its unpacked size and zlib
  // stream in `*packed`, whose earlier storage is kept for later blocks.
  // Only when pending() > 0.
  void take(std::size_t* unpacked_size, std::vector<std::uint8_t>* packed);

 private:
  struct Job {
    std::vector<std::uint8_t> input;
    std::vector<std::uint8_t> output;
    std::size_t size = 0;
    bool started = false;
    bool done = false;
  };
  void work();
  std::shared_ptr<Job> spare_job();

  std::deque<std::shared_ptr<Job>> jobs_;  // in submission order
  // Jobs taken back, their buffers kept for the next blocks (at most a few:
  // as many as were ever in flight).
  std::vector<std::shared_ptr<Job>> spare_;
  std::mutex mutex_;
  std::condition_variable wake_;  // a job was queued, or stopping
  std::condition_variable done_;  // a job finished
  bool stopping_ = false;
  const BlockCompression compression_;
  std::unique_ptr<BlockDeflater> own_deflater_;  // without workers
  std::vector<std::thread> workers_;
};

}  // namespace lexora::compiler

#endif  // LEXORA_COMPILER_BLOCK_COMPRESSOR_H_
