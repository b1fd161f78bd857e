// The one export of libcardbank.so, which appends a record to a flash-card
// database. Callers load the library at run time and look the function up by
// name; this header gives its type.
#ifndef LEXORA_CARDBANK_CARDBANK_H_
#define LEXORA_CARDBANK_CARDBANK_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Adds a record (word, transcription, translation) to the database at
// `database_path`, creating the database when there is no file of that name.
// All four are zero-terminated UTF-16 strings owned by the caller; the path
// is a file-system path. Returns 1 when the record was added, 0 when the
// database already holds a record for this word (case counts), -1 when the
// file cannot be read, created or written, is damaged or full, or memory runs
// out; on 0 and -1 the file is unchanged. The file is replaced whole, so it
// is never left half-written.
int32_t MRNewRecord(const char16_t* database_path, const char16_t* word,
                    const char16_t* transcription, const char16_t* translation);

#ifdef __cplusplus
}
#endif

// The database's file name (in the documents folder) when the user names none.
#define LEXORA_CARDBANK_DEFAULT_DATABASE "dict_mr.pdb"

// The name the export is looked up by, and its type.
#define LEXORA_CARDBANK_EXPORT_NAME "MRNewRecord"
typedef int32_t (*MRNewRecordFunction)(const char16_t*, const char16_t*, const char16_t*,
                                       const char16_t*);

#endif  // LEXORA_CARDBANK_CARDBANK_H_
