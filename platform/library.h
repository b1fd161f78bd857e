// Loading shared libraries by file name at run time, as plug-ins and optional
// companions are loaded: first from the program's own folder, then wherever
// the system's loader looks (LD_LIBRARY_PATH, the cache, the system folders).
// Symbols are resolved when the library is loaded, so a library with missing
// dependencies fails to load instead of failing later in a call.
#ifndef LEXORA_PLATFORM_LIBRARY_H_
#define LEXORA_PLATFORM_LIBRARY_H_

#include <memory>
#include <string>

namespace lexora {

class Library {
 public:
  // The library `file_name` (a bare name such as "libconv.so"), or null when
  // it cannot be found or loaded. Never shows a message.
  static std::unique_ptr<Library> load(const std::string& file_name);
  // Unloads the library: pointers obtained from symbol() become invalid.
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // The address of the exported C symbol `name`, or null when it is missing.
  void* symbol(const char* name) const;
  // The file the library was loaded from, as it was asked for.
  const std::string& path() const { return path_; }

 private:
  Library(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  void* handle_;
  std::string path_;
};

// The folder holding the running program (from /proc/self/exe), without a
// trailing "/"; empty when it cannot be found.
std::string program_folder();

// Tests point the "program folder" of Library::load at a folder of their own
// (empty restores the real one). Process-wide; not thread-safe.
void set_library_folder_for_testing(const std::string& folder);

}  // namespace lexora

#endif  // LEXORA_PLATFORM_LIBRARY_H_
