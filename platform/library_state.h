// What Library::load remembers between calls: a folder that replaces the
// program's own (set by the tests, testing/library_folder.h, so that they
// never pick up a library installed elsewhere) and the file names found
// missing, with when. Shared by library.cc and that header only.
#ifndef LEXORA_PLATFORM_LIBRARY_STATE_H_
#define LEXORA_PLATFORM_LIBRARY_STATE_H_

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace lexora {

struct LibraryLoadState {
  std::mutex mutex;
  // When set, the only folder looked in; the loader's search path is not used.
  std::optional<std::string> folder_override;
  // File name -> when it was last found missing (coarse monotonic seconds).
  std::map<std::string, double> missing_since;
};

LibraryLoadState& library_load_state();

}  // namespace lexora

#endif  // LEXORA_PLATFORM_LIBRARY_STATE_H_
