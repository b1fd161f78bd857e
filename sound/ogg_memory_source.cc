#include "sound/ogg_memory_source.h"

#include <algorithm>
#include <cstring>

namespace lexora {

std::size_t ogg_memory_read(void* destination, std::size_t item_size, std::size_t count,
                            void* source) {
  auto* s = static_cast<OggMemorySource*>(source);
  if (s->position >= s->size) return 0;
  const std::size_t left = s->size - s->position;
  // item_size x count may overflow; a request that large simply takes all.
  std::size_t wanted = left;
  if (item_size != 0 && count <= left / item_size) wanted = item_size * count;
  const std::size_t n = std::min(wanted, left);
  if (n == 0) return 0;
  std::memcpy(destination, s->data + s->position, n);
  s->position += static_cast<std::uint32_t>(n);
  return n;
}

int ogg_memory_seek(void* source, std::int64_t offset, int whence) {
  auto* s = static_cast<OggMemorySource*>(source);
  const auto low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(offset));
  switch (whence) {
    case 0:  // SEEK_SET
      s->position = low;
      return 0;
    case 1:  // SEEK_CUR
      s->position += low;
      return 0;
    case 2:  // SEEK_END
      s->position = s->size + low;
      return 0;
    default:
      return -1;
  }
}

int ogg_memory_close(void*) {
  return 0;
}

long ogg_memory_tell(void* source) {
  return static_cast<long>(static_cast<OggMemorySource*>(source)->position);
}

}  // namespace lexora
