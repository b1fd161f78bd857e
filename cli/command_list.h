// Declarations of the add_*_command functions, one per command file.
#ifndef LEXORA_CLI_COMMAND_LIST_H_
#define LEXORA_CLI_COMMAND_LIST_H_

namespace CLI {
class App;
}

namespace lexora::cli {

void add_info_command(CLI::App& app, int* exit_code);
void add_words_command(CLI::App& app, int* exit_code);
void add_find_command(CLI::App& app, int* exit_code);
void add_suggest_command(CLI::App& app, int* exit_code);
void add_build_command(CLI::App& app, int* exit_code);
void add_flashcard_command(CLI::App& app, int* exit_code);
void add_article_command(CLI::App& app, int* exit_code);
void add_abbrev_command(CLI::App& app, int* exit_code);
void add_markup_command(CLI::App& app, int* exit_code);
void add_render_command(CLI::App& app, int* exit_code);
void add_verify_command(CLI::App& app, int* exit_code);
void add_pack_command(CLI::App& app, int* exit_code);
void add_play_command(CLI::App& app, int* exit_code);
void add_image_command(CLI::App& app, int* exit_code);
void add_settings_command(CLI::App& app, int* exit_code);
void add_send_colours_command(CLI::App& app, int* exit_code);
void add_grep_command(CLI::App& app, int* exit_code);
void add_import_command(CLI::App& app, int* exit_code);

}  // namespace lexora::cli

#endif  // LEXORA_CLI_COMMAND_LIST_H_
