// lexora-cli send-colours FILE: sends the colours of a reader colour profile
// (the "Profile.lup" format) to the running program, as the reader does, and
// prints the program's answer: 1 the message had the right form (the colours
// are taken when the program accepts the reader's colours), 0 it was refused.
// Exit 1 when the file cannot be read or is not a profile, or when no
// program runs.
#include <CLI/CLI.hpp>

#include <QCoreApplication>
#include <QString>

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "cli/commands.h"
#include "model/colour_profile.h"
#include "model/colour_table.h"
#include "platform/messages.h"
#include "platform/qt/instance.h"
#include "platform/read_file.h"
#include "resources/string_table.h"

namespace lexora::cli {
namespace {

int send_colours(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  const ReadResult read = read_regular_file(path, kMaxColourProfileSize, &bytes);
  if (read.status != ReadStatus::kOk) {
    return report_error(format_message(string_text(str::kCantOpenFile), path) + ": " +
                        read.describe(path, kMaxColourProfileSize).substr(path.size() + 2));
  }
  if (bytes.size() < kColourProfileSize ||
      !std::equal(kColourProfileMagic.begin(), kColourProfileMagic.end(), bytes.begin())) {
    return report_error(std::string(string_text(str::kIntegrityError)) + ": " + path +
                        " is not a colour profile");
  }
  const std::vector<std::uint8_t> block(bytes.begin() + kColourProfileBlockOffset,
                                        bytes.begin() + kColourProfileSize);

  int argc = 1;
  char name[] = "lexora-cli";
  char* argv[] = {name, nullptr};
  const QCoreApplication app(argc, argv);
  const QString class_name = QString::fromUtf8(string_text(str::kClassName));
  const auto instance = find_instance(class_name, QString());
  if (!instance) {
    show_message_text(format_message(string_text(str::kCantFind), "Lexora"), str::kError,
                      MessageIcon::kError);
    return kExitNotFound;
  }
  const auto answer =
      send_copy_data(*instance, static_cast<std::uint32_t>(kReaderColoursData), block);
  if (!answer) return kExitNotFound;
  std::cout << (*answer ? 1 : 0) << '\n';
  return kExitOk;
}

}  // namespace

void add_send_colours_command(CLI::App& app, int* exit_code) {
  auto* command = app.add_subcommand(
      "send-colours", "Send a reader colour profile's colours to the running program");
  auto path = std::make_shared<std::string>();
  command->add_option("FILE", *path, "colour profile (Profile.lup format)")->required();
  command->callback([path, exit_code] { *exit_code = send_colours(*path); });
}

}  // namespace lexora::cli
