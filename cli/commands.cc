#include "cli/commands.h"

#include <CLI/CLI.hpp>

#include "cli/command_list.h"

namespace lexora::cli {

void register_commands(CLI::App& app, int* exit_code) {
  // One line per command file; keep them in the order of `lexora-cli --help`.
  (void)app;
  (void)exit_code;
  add_info_command(app, exit_code);
  add_words_command(app, exit_code);
  add_find_command(app, exit_code);
  add_suggest_command(app, exit_code);
  add_build_command(app, exit_code);
  add_article_command(app, exit_code);
  add_abbrev_command(app, exit_code);
  add_markup_command(app, exit_code);
  add_render_command(app, exit_code);
  add_verify_command(app, exit_code);
  add_pack_command(app, exit_code);
  add_flashcard_command(app, exit_code);
  add_play_command(app, exit_code);
  add_image_command(app, exit_code);
  add_settings_command(app, exit_code);
  add_send_colours_command(app, exit_code);
  add_grep_command(app, exit_code);
  add_import_command(app, exit_code);
}

}  // namespace lexora::cli
