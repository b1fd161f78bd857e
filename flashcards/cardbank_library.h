// libcardbank.so, loaded for one use and unloaded when the object goes away,
// as the program does for every flash-card export.
#ifndef LEXORA_FLASHCARDS_CARDBANK_LIBRARY_H_
#define LEXORA_FLASHCARDS_CARDBANK_LIBRARY_H_

#include <memory>
#include <string>

#include "cardbank/cardbank.h"

namespace lexora {

class Library;

// The library's file name, found in the program's folder first, then by the
// loader's search path.
inline constexpr char kCardbankLibrary[] = "libcardbank.so";

class CardbankLibrary {
 public:
  // Loads the library file `name` (platform/library.h: the program's folder
  // first, then the loader's search path).
  explicit CardbankLibrary(const std::string& name = kCardbankLibrary);
  ~CardbankLibrary();
  CardbankLibrary(const CardbankLibrary&) = delete;
  CardbankLibrary& operator=(const CardbankLibrary&) = delete;

  bool loaded() const { return library_ != nullptr; }
  // The export MRNewRecord, or null when the library is not loaded or lacks
  // it. Valid while this object lives.
  MRNewRecordFunction new_record() const;

 private:
  std::unique_ptr<Library> library_;
};

}  // namespace lexora

#endif  // LEXORA_FLASHCARDS_CARDBANK_LIBRARY_H_
