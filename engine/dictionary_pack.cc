// The dictionary's side of the resource pack: which file it is, and reading
// entries by name. Everything about the pack's bytes is in resource_pack.cc.
#include "engine/dictionary.h"
#include "engine/resource_pack.h"

namespace lexora {

void Dictionary::open_pack() {
  // No index may survive from a pack opened before, whatever happens next.
  pack_.reset();
  pack_ = ResourcePack::open(pack_path_for(path_));
}

const std::uint8_t* Dictionary::read_pack_entry(std::u16string_view name, std::uint32_t* size_out,
                                                std::vector<std::uint8_t>* buffer,
                                                std::size_t max_size) {
  if (!pack_) return nullptr;
  return pack_->read_entry(name, size_out, buffer, max_size);
}

}  // namespace lexora
