// Points Library::load at a folder of the test's own instead of the
// program's folder and the loader's search path, so that a test finds only
// the plug-ins it puts there. Header-only, for tests, benchmarks and fuzz
// targets.
#ifndef LEXORA_TESTING_LIBRARY_FOLDER_H_
#define LEXORA_TESTING_LIBRARY_FOLDER_H_

#include <mutex>
#include <string>

#include "platform/library_state.h"

namespace lexora {

// `folder` replaces where libraries are looked for; empty restores the real
// folders. Also forgets every remembered "missing" answer. Process-wide.
inline void set_library_folder_for_testing(const std::string& folder) {
  LibraryLoadState& state = library_load_state();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (folder.empty())
    state.folder_override.reset();
  else
    state.folder_override = folder;
  state.missing_since.clear();
}

}  // namespace lexora

#endif  // LEXORA_TESTING_LIBRARY_FOLDER_H_
