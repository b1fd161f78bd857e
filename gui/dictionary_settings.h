// The per-dictionary settings applied to, and taken from, an open dictionary.
// The settings themselves (model/settings.h) know no engine; this is where
// "smart_find" becomes the dictionary's punctuation trimming.
#ifndef LEXORA_GUI_DICTIONARY_SETTINGS_H_
#define LEXORA_GUI_DICTIONARY_SETTINGS_H_

#include <cstdint>
#include <string_view>

#include "model/settings.h"

namespace lexora {

class Dictionary;

// Reads the dictionary's values from its key `key_name` (the file-name part
// of its path) and switches its punctuation trimming on when "smart_find" is 1.
void load_dictionary_settings(Registry& registry, Settings& settings, Dictionary& dictionary,
                              std::string_view key_name);
// The same with the key named by the file-name part of dictionary.path().
void load_dictionary_settings(Registry& registry, Settings& settings, Dictionary& dictionary);
// save_dictionary_settings with the key named by the file-name part of
// dictionary.path().
void save_dictionary_settings(Registry& registry, Settings& settings, const Dictionary& dictionary,
                              std::int32_t top_index);

}  // namespace lexora

#endif  // LEXORA_GUI_DICTIONARY_SETTINGS_H_
