// Converted dictionaries kept in the user's cache folder, so that opening a
// dictionary of another format converts it once: later opens reuse the
// converted file while the source keeps its size and modification time.
//
// The cache file's name carries the source's name, a hash of its full path,
// its size and its modification time; a conversion writes under a temporary
// name and renames (import_dictionary), so the cache never holds a
// half-written file, and files of earlier versions of the same source are
// removed once the new one is in place. Qt-free: the program calls this from
// a worker thread, with the cancellable progress of ImportOptions.
#ifndef LEXORA_IMPORT_IMPORT_CACHE_H_
#define LEXORA_IMPORT_IMPORT_CACHE_H_

#include <string>

#include "import/import_dictionary.h"

namespace lexora::import {

// $XDG_CACHE_HOME/Lexora, or $HOME/.cache/Lexora when XDG_CACHE_HOME is not
// set (not created here).
std::string import_cache_folder();

// The cached dictionary for `source` (in `folder`, normally
// import_cache_folder()), converted first when the cache has none for the
// source as it is now. *converted tells which happened. False with *error
// set when the source cannot be read or converted (or was cancelled).
bool cached_import(const std::string& source, const std::string& folder,
                   const ImportOptions& options, std::string* dictionary_path, bool* converted,
                   ImportStats* stats, ImportError* error);

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_IMPORT_CACHE_H_
