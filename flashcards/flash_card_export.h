// Flash-card export, the program's side: the translations the user marks in
// an article wait in a PendingTranslations list owned by the article view,
// and export_flash_card() hands them to libcardbank.so, which appends a
// record (word, transcription, translations) to the flash-card database.
//
// Each pending translation carries the headword and transcription of the
// article it was marked in, taken when it was added. An export therefore
// records the word the user was reading, whatever page the view moves to
// before the export runs, and translations kept after a failed export stay
// with their own word.
//
// No Qt here; messages go through platform/messages, owned by the article
// window: they are that window's own conversation with the user (the program
// is the only caller), not errors of a dictionary, whose statuses the
// dictionary's listener shows.
#ifndef LEXORA_FLASHCARDS_FLASH_CARD_EXPORT_H_
#define LEXORA_FLASHCARDS_FLASH_CARD_EXPORT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "flashcards/cardbank_library.h"

namespace lexora {

class Dictionary;

// The database file name when the setting names none.
inline constexpr char16_t kDefaultFlashCardDatabase[] = u"" LEXORA_CARDBANK_DEFAULT_DATABASE;

struct PendingTranslation {
  std::u16string word;
  std::u16string transcription;
  std::u16string translation;
};

// The translations marked and not yet written, in the order they were added.
class PendingTranslations {
 public:
  void add(std::u16string word, std::u16string transcription, std::u16string translation);
  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }
  const std::vector<PendingTranslation>& entries() const { return entries_; }
  void clear() { entries_.clear(); }
  // Removes every entry for `word`.
  void remove_word(std::u16string_view word);

 private:
  std::vector<PendingTranslation> entries_;
};

// The transcription in an article: the text after the first "<t>" up to the
// first "</t>" after it ("<t>" inside is kept); empty when either is missing.
std::u16string transcription_of(std::u16string_view article);

// The texts in order with ", " between neighbours.
std::u16string join_translations(const std::vector<std::u16string>& texts);

// The database path: the setting when it is not empty, else
// `documents_folder` + "/dict_mr.pdb".
std::u16string flash_card_database_path(std::u16string_view setting,
                                        std::u16string_view documents_folder);

// "Add for leaning in MR": adds `selection` as a translation of the headword
// at `word_index`, with the transcription from its article. An empty
// selection adds nothing and shows "Select the text you want to add as the
// main translation". Returns whether something was added. `owner_window` is
// the article window for the message box (null: the active window).
bool add_flash_card_translation(PendingTranslations* pending, Dictionary& dictionary,
                                std::uint32_t word_index, std::u16string_view selection,
                                const void* owner_window = nullptr);

struct FlashCardExportOptions {
  // The library's file name, looked up in the program's folder and then by
  // the loader.
  std::string library = kCardbankLibrary;
  const void* owner_window = nullptr;  // the article window (null: the active window)
  // False keeps a missing library and an unwritable database quiet (the
  // user has been told already); the translations are kept all the same.
  bool report_failures = true;
};

enum class FlashCardExportResult {
  kNoLibrary,        // "Can't find libcardbank.so" shown; translations kept
  kNoExport,         // the library lacks MRNewRecord; nothing shown; translations kept
  kDone,             // every word was added, was present already, or had no translation text
  kDatabaseFailure,  // some word could not be written; its translations kept, the user told
};

// Writes the pending translations out: one record per word, its translations
// joined with ", ". The library is loaded for this call and unloaded before
// it returns. Words the database holds already are reported with "This word
// is in Memorins dictionary alredy" and dropped; with an empty list the user
// is asked to add translations. When the library cannot write the database,
// that word's translations stay pending for the next export and the user is
// told the database could not be written.
FlashCardExportResult export_flash_card(PendingTranslations* pending,
                                        std::u16string_view database_path,
                                        const FlashCardExportOptions& options = {});

}  // namespace lexora

#endif  // LEXORA_FLASHCARDS_FLASH_CARD_EXPORT_H_
