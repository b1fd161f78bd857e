// The library's only exported symbol; everything else is hidden.
#include <string_view>

#include "cardbank/cardbank.h"
#include "cardbank/new_record.h"

extern "C" __attribute__((visibility("default"))) int32_t MRNewRecord(const char16_t* database_path,
                                                                      const char16_t* word,
                                                                      const char16_t* transcription,
                                                                      const char16_t* translation) {
  if (database_path == nullptr || word == nullptr || transcription == nullptr ||
      translation == nullptr) {
    return lexora::cardbank::kDatabaseFailure;
  }
  return lexora::cardbank::new_record(database_path, word, transcription, translation);
}
