#include "flashcards/cardbank_library.h"

#include "platform/library.h"

namespace lexora {

CardbankLibrary::CardbankLibrary(const std::string& name) : library_(Library::load(name)) {}

CardbankLibrary::~CardbankLibrary() = default;

MRNewRecordFunction CardbankLibrary::new_record() const {
  if (!library_) return nullptr;
  return reinterpret_cast<MRNewRecordFunction>(library_->symbol(LEXORA_CARDBANK_EXPORT_NAME));
}

}  // namespace lexora
