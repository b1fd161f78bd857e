// lexora-cli play DICT NAME [--capture FILE]: plays a sound of the
// dictionary's pack to its end through the default sound device (the
// LEXORA_AUDIO backend), or with --capture writes the PCM it would play to
// FILE as a WAV file. Exit 1 when the dictionary does not open, the name has
// no sound type, the entry is missing, or the sound cannot be played (it
// does not decode, or the device or capture file does not open).
#include <CLI/CLI.hpp>

#include <memory>
#include <string>

#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "cli/commands.h"
#include "engine/dictionary.h"
#include "engine/media.h"
#include "platform/messages.h"
#include "platform/utf.h"
#include "platform/wave_sinks.h"
#include "resources/string_table.h"
#include "sound/sound.h"

namespace lexora::cli {
namespace {

struct PlayArgs {
  std::string dictionary;
  std::string name;
  std::string capture;
};

int run_play(const PlayArgs& args) {
  Dictionary dict;
  if (!open_dictionary_or_report(dict, args.dictionary)) return kExitNotFound;
  const std::u16string name = utf8_to_utf16(args.name);
  const int type = sound_type_of(name);
  bool played = false;
  {
    SoundPlayer player(args.capture.empty() ? AudioBackend::from_environment()
                                            : AudioBackend::capture(args.capture));
    played = player.play_sound(dict, name, type);
    if (played && type == kSoundTypeOgg) {
      player.wait_until_idle();
      played = player.last_sound_started();
    }
  }  // the capture file is complete once the player is gone
  if (played && !args.capture.empty() && wave_sinks::capture_failed()) {
    return report_error("cannot write " + args.capture);
  }
  if (!played) {
    // What the article view shows for a sound that cannot be played.
    show_message(str::kFileNotFound, str::kError, MessageIcon::kWarning);
    return kExitNotFound;
  }
  return kExitOk;
}

}  // namespace

void add_play_command(CLI::App& app, int* exit_code) {
  CLI::App* play = app.add_subcommand("play", "Play a sound of the dictionary's pack");
  auto args = std::make_shared<PlayArgs>();
  play->add_option("DICT", args->dictionary, "Dictionary file (.zd)")->required();
  play->add_option("NAME", args->name, "Pack entry name (.wav or .ogg)")->required();
  play->add_option("--capture", args->capture, "Write the PCM to this WAV file instead of playing");
  play->callback([args, exit_code] { *exit_code = run_play(*args); });
}

}  // namespace lexora::cli
