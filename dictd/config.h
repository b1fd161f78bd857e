// The configuration file of lexora-dictd: one setting per line, words split
// as DICT commands are (quotes and backslashes), '#' starts a comment line.
//
//   database NAME PATH [DESCRIPTION...]  serve PATH (relative to the file's
//                                        folder) as NAME; the rest of the
//                                        line describes it
//   strategies [NAME...]                 offer only these MATCH strategies
//   address ADDRESS    port PORT    threads N
//   idle-timeout SECONDS    max-clients N    max-commands N
#ifndef LEXORA_DICTD_CONFIG_H_
#define LEXORA_DICTD_CONFIG_H_

#include <string>
#include <string_view>

#include "dictd/server.h"

namespace lexora::dictd {

// Applies the settings of `text` to `config` (databases are appended).
// False with *error naming the line on an unknown setting, a missing or bad
// value.
bool parse_config(std::string_view text, const std::string& base_folder, ServerConfig* config,
                  std::string* error);
bool read_config_file(const std::string& path, ServerConfig* config, std::string* error);

// A database for a file given on the command line: named by its file name.
DatabaseConfig database_for_file(const std::string& path);

}  // namespace lexora::dictd

#endif  // LEXORA_DICTD_CONFIG_H_
