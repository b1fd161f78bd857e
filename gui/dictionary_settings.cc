#include "gui/dictionary_settings.h"

#include "engine/dictionary.h"
#include "model/recent_files.h"

namespace lexora {

void load_dictionary_settings(Registry& registry, Settings& settings, Dictionary& dictionary,
                              std::string_view key_name) {
  read_dictionary_values(registry, settings, key_name);
  dictionary.set_ignore_punctuation(settings.smart_find == 1);
}

void load_dictionary_settings(Registry& registry, Settings& settings, Dictionary& dictionary) {
  load_dictionary_settings(registry, settings, dictionary, file_name_part(dictionary.path()));
}

void save_dictionary_settings(Registry& registry, Settings& settings, const Dictionary& dictionary,
                              std::int32_t top_index) {
  save_dictionary_settings(registry, settings, file_name_part(dictionary.path()), top_index);
}

}  // namespace lexora
