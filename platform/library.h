// Loading shared libraries by file name at run time, as plug-ins and optional
// companions are loaded: first from the program's own folder, then wherever
// the system's loader looks (LD_LIBRARY_PATH, the folders of the loader's
// cache, the system folders). Symbols are resolved when the library is
// loaded, so a library with missing dependencies fails to load instead of
// failing later in a call.
//
// A library is loaded anew by every call and unloaded with its Library, but
// where to look is worked out once per file name: the loader's own search for
// a bare name maps its cache and tries several files on every call, which is
// far too slow for a plug-in that every missed word lookup asks for. Each
// call tests the few candidate files with access() and opens only one that
// exists. A library that is missing stays "missing" for up to
// kLibraryRecheckSeconds before the candidates are tested again, so a run of
// lookups costs no system call at all; one installed meanwhile is found
// after that.
#ifndef LEXORA_PLATFORM_LIBRARY_H_
#define LEXORA_PLATFORM_LIBRARY_H_

#include <memory>
#include <string>
#include <vector>

namespace lexora {

inline constexpr int kLibraryRecheckSeconds = 1;

class Library {
 public:
  // The library `file_name` (a bare name such as "libconv.so"), or null when
  // it cannot be found or loaded. A name holding a "/" is loaded from that
  // path alone. Never shows a message.
  static std::unique_ptr<Library> load(const std::string& file_name);
  // Unloads the library: pointers obtained from symbol() become invalid.
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // The address of the exported C symbol `name`, or null when it is missing.
  void* symbol(const char* name) const;
  // The file the library was loaded from.
  const std::string& path() const { return path_; }

 private:
  Library(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  static std::unique_ptr<Library> open_file(const std::string& path);
  void* handle_;
  std::string path_;
};

// The folder holding the running program (from /proc/self/exe), without a
// trailing "/"; empty when it cannot be found.
std::string program_folder();

// The folders Library::load looks in, in order: the program folder, then the
// loader's search path (LD_LIBRARY_PATH and the program's run path, the
// folders the loader's cache is built from, the system folders). Folders that
// do not exist are left out, and each folder appears once (symbolic links
// resolved). Worked out on the first call.
const std::vector<std::string>& library_folders();

}  // namespace lexora

#endif  // LEXORA_PLATFORM_LIBRARY_H_
