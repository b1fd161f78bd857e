// The in-memory byte source that the Ogg Vorbis decoder reads a sound from,
// with the decoder's four callbacks (read, seek, close, tell).
//
// Positions are 32-bit and may be set beyond the data: a read there returns
// 0 bytes, so no seek can make a read leave the data.
#ifndef LEXORA_SOUND_OGG_MEMORY_SOURCE_H_
#define LEXORA_SOUND_OGG_MEMORY_SOURCE_H_

#include <cstddef>
#include <cstdint>

namespace lexora {

struct OggMemorySource {
  const std::uint8_t* data = nullptr;  // not owned
  std::uint32_t size = 0;
  std::uint32_t position = 0;
};

// Copies min(item_size x count, size - position) bytes and advances by that
// many; returns the number of bytes (0 at or past the end).
std::size_t ogg_memory_read(void* destination, std::size_t item_size, std::size_t count,
                            void* source);
// Whence 0 sets, 1 adds, 2 sets from the end; the low 32 bits of the offset
// are used. Returns 0, or -1 for any other whence.
int ogg_memory_seek(void* source, std::int64_t offset, int whence);
int ogg_memory_close(void* source);
long ogg_memory_tell(void* source);

}  // namespace lexora

#endif  // LEXORA_SOUND_OGG_MEMORY_SOURCE_H_
