// Any bytes as the settings file: loading must never fail or read outside
// them, every value read must have its setting's form, and a save over the
// damaged file must leave a file that loads back to exactly what was saved.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/recent_files.h"
#include "model/settings.h"
#include "platform/qt/registry.h"
#include "platform/qt/registry_encoding.h"

namespace {

std::string scratch_file() {
  static const std::string path = [] {
    char pattern[] = "/tmp/lexora-settings-fuzz-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd < 0) std::abort();
    ::close(fd);
    return std::string(pattern);
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = scratch_file();
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) std::abort();
  std::fwrite(data, 1, size, out);
  std::fclose(out);

  // The value decoder alone, on the raw bytes.
  (void)lexora::registry_detail::decode_value(
      std::string_view(reinterpret_cast<const char*>(data), size));

  lexora::Registry registry(path);
  lexora::Settings settings;
  lexora::RecentFiles recent;
  lexora::load_settings(registry, settings, recent);
  lexora::read_dictionary_values(registry, settings, "fuzz.zd");
  if (settings.n_recent_files < 0 && !recent.paths().empty()) std::abort();

  // Saving over whatever was there gives a file that loads back the same.
  settings.text_size = 3;
  settings.main_font = "Fuzz Sans";
  if (!lexora::save_settings(registry, settings, recent)) std::abort();
  lexora::Settings again;
  lexora::RecentFiles recent_again;
  lexora::load_settings(registry, again, recent_again);
  if (again.text_size != 3 || again.main_font != "Fuzz Sans" ||
      recent_again.paths() != recent.paths()) {
    std::abort();
  }
  return 0;
}
