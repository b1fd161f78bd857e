// lexora-cli flashcard DB WORD TRANSCRIPTION TRANSLATION: adds a record
// through libcardbank.so's MRNewRecord, loaded as the program loads it, and
// prints the result (1 added, 0 the word is present, -1 failure).
// lexora-cli flashcard --list DB: one JSON line per record, in list order.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cardbank/card_database.h"
#include "cli/cli_errors.h"
#include "cli/command_list.h"
#include "cli/commands.h"
#include "flashcards/cardbank_library.h"
#include "platform/messages.h"
#include "platform/read_file.h"
#include "platform/utf.h"
#include "resources/string_table.h"

namespace lexora::cli {
namespace {

int add_record(const std::vector<std::string>& args) {
  const CardbankLibrary library;
  if (!library.loaded()) {
    show_message_text(format_message(string_text(str::kCantFind), kCardbankLibrary), str::kError,
                      MessageIcon::kError);
    return kExitNotFound;
  }
  const MRNewRecordFunction new_record = library.new_record();
  if (!new_record) return kExitNotFound;
  const std::u16string path = utf8_to_utf16(args[0]);
  const std::u16string word = utf8_to_utf16(args[1]);
  const std::u16string transcription = utf8_to_utf16(args[2]);
  const std::u16string translation = utf8_to_utf16(args[3]);
  const std::int32_t result =
      new_record(path.c_str(), word.c_str(), transcription.c_str(), translation.c_str());
  std::cout << result << '\n';
  if (result < 0) {
    // The result is printed as the program gets it; the reason goes to stderr.
    const std::string problem = file_problem(args[0]);
    report_error("cannot add the record to " + args[0] + ": " +
                 (problem.empty() || problem == "no such file"
                      ? std::string("not a flash-card database, damaged, full, or not writable")
                      : problem));
  }
  return kExitOk;
}

int list_records(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  const ReadResult read = read_regular_file(path, kMaxFlashCardDatabaseSize, &bytes);
  if (read.status != ReadStatus::kOk) {
    return report_error(format_message(string_text(str::kCantOpenFile), path) + ": " +
                        read.describe(path, kMaxFlashCardDatabaseSize).substr(path.size() + 2));
  }
  const std::optional<cardbank::CardDatabase> db = cardbank::CardDatabase::parse(std::move(bytes));
  if (!db) {
    return report_error(std::string(string_text(str::kIntegrityError)) + ": " + path +
                        " is not a flash-card database, or is damaged");
  }
  for (std::size_t i = 0; i < db->record_count(); ++i) {
    const cardbank::RecordTexts texts = db->record_texts(i);
    const nlohmann::json line = {{"word", utf16_to_utf8(texts.word)},
                                 {"transcription", utf16_to_utf8(texts.transcription)},
                                 {"translation", utf16_to_utf8(texts.translation)},
                                 {"unique_id", db->entry(i).unique_id}};
    std::cout << line.dump() << '\n';
  }
  return kExitOk;
}

}  // namespace

void add_flashcard_command(CLI::App& app, int* exit_code) {
  CLI::App* cmd = app.add_subcommand(
      "flashcard",
      "Add a record to a flash-card database through libcardbank.so, or list its records");
  auto list = std::make_shared<bool>(false);
  // DB, WORD, TRANSCRIPTION, TRANSLATION: one option each, so that "--" can
  // stand anywhere before a text that begins with "-".
  auto args = std::make_shared<std::vector<std::string>>(4);
  cmd->add_flag("--list", *list, "Print the records of DB as JSON lines");
  std::vector<CLI::Option*> options;
  options.push_back(
      cmd->add_option("DB", (*args)[0], "The flash-card database (.pdb)")->required());
  options.push_back(cmd->add_option("WORD", (*args)[1], "The headword"));
  options.push_back(
      cmd->add_option("TRANSCRIPTION", (*args)[2], "The transcription (may be empty)"));
  options.push_back(cmd->add_option("TRANSLATION", (*args)[3], "The translations"));
  cmd->callback([list, args, options, exit_code] {
    const std::size_t given = static_cast<std::size_t>(std::count_if(
        options.begin(), options.end(), [](const CLI::Option* o) { return o->count() > 0; }));
    if (*list && given != 1) throw CLI::ValidationError("DB", "--list takes DB alone");
    if (!*list && given != 4) {
      throw CLI::ValidationError("DB", "expected DB WORD TRANSCRIPTION TRANSLATION");
    }
    *exit_code = *list ? list_records((*args)[0]) : add_record(*args);
  });
}

}  // namespace lexora::cli
