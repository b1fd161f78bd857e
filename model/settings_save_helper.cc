// Test helper: saves the settings over and over, as a running program does on
// exit or when an options page is applied, so that tests can run several of
// these at once (or kill one mid-save) and check what the file holds.
//
// Usage: settings_save_helper FILE TAG COUNT
// Save g (0 <= g < COUNT) writes one consistent generation: every number is
// TAG * 100000 + g, every text "TAG-g", and g % 8 + 1 recent files
// "/TAG/g/i". Exit code 0 when every save was attempted, 2 on bad arguments.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/recent_files.h"
#include "model/settings.h"
#include "platform/qt/registry.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s FILE TAG COUNT\n", argv[0]);
    return 2;
  }
  const std::string file = argv[1];
  const int tag = std::atoi(argv[2]);
  const int count = std::atoi(argv[3]);
  lexora::Registry registry(file);
  for (int g = 0; g < count; ++g) {
    const std::int32_t n = tag * 100000 + g;
    const std::string text = std::to_string(tag) + "-" + std::to_string(g);
    lexora::Settings settings({"face " + text, n});
    settings.text_size = n;
    settings.arrow_redefine = n;
    settings.find_cb = n;
    settings.main_font = "face " + text;
    settings.main_font_size = n;
    settings.font_res = "/fonts/" + text + ".ttf";
    settings.g_mr_dict_path = "/cards/" + text + ".pdb";
    settings.g_allow_mult_dict = g % 2 == 0;
    lexora::RecentFiles recent;
    recent.recent_set_limit(settings.n_recent_files, false);
    for (int i = 0; i <= g % 8; ++i) {
      recent.recent_add("/" + std::to_string(tag) + "/" + std::to_string(g) + "/" +
                        std::to_string(i));
    }
    lexora::save_settings(registry, settings, recent);
    settings.smart_find = n;
    settings.last_word = n;
    lexora::save_dictionary_settings(registry, settings, "shared.zd", n);
  }
  return 0;
}
