// Appending one record to a flash-card database file: the work behind the
// library's export, with the file layer's options open to tests.
#ifndef LEXORA_CARDBANK_NEW_RECORD_H_
#define LEXORA_CARDBANK_NEW_RECORD_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "cardbank/atomic_file.h"

namespace lexora::cardbank {

// Results, as the export returns them.
inline constexpr std::int32_t kRecordAdded = 1;
inline constexpr std::int32_t kWordPresent = 0;
inline constexpr std::int32_t kDatabaseFailure = -1;

// Adds a record for `word` to the database at `path` (UTF-16; converted to
// UTF-8 for the file system). A missing file is created first, named after
// the path. Returns kWordPresent, leaving the file alone, when a record's word
// equals `word`; kDatabaseFailure, leaving the file alone, when it cannot be
// read, created or replaced, is damaged, holds 65,535 records already, or the
// memory cannot be had. The file is replaced whole (see atomic_file.h).
// Never throws.
std::int32_t new_record(std::u16string_view path, std::u16string_view word,
                        std::u16string_view transcription, std::u16string_view translation,
                        const WriteOptions& options = {});

// UTF-16 to UTF-8, with U+FFFD for unpaired surrogates.
std::string to_utf8(std::u16string_view text);

}  // namespace lexora::cardbank

#endif  // LEXORA_CARDBANK_NEW_RECORD_H_
