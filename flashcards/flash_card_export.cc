#include "flashcards/flash_card_export.h"

#include <algorithm>

#include "engine/dictionary.h"
#include "flashcards/cardbank_library.h"
#include "platform/messages.h"
#include "platform/utf.h"
#include "resources/string_table.h"

namespace lexora {
namespace {

constexpr std::u16string_view kTranscriptionOpen = u"<t>";
constexpr std::u16string_view kTranscriptionClose = u"</t>";
constexpr std::u16string_view kTranslationSeparator = u", ";
// A "<" needs this many characters from it to the end to be looked at.
constexpr std::size_t kShortestTag = 3;
// MRNewRecord's results.
constexpr std::int32_t kWordPresent = 0;

void show(std::string text, int caption_id, MessageIcon icon, const void* owner_window) {
  Message message;
  message.text = std::move(text);
  message.caption = std::string(string_text(caption_id));
  message.icon = icon;
  message.buttons = MessageButtons::kOk;
  message.owner = owner_window ? MessageOwner::kWindow : MessageOwner::kActiveWindow;
  message.owner_window = owner_window;
  show_message(message);
}

void show(int text_id, int caption_id, MessageIcon icon, const void* owner_window) {
  show(std::string(string_text(text_id)), caption_id, icon, owner_window);
}

// One record to write: a word with the translations marked for it.
struct WordGroup {
  std::u16string word;
  std::u16string transcription;
  std::vector<std::u16string> translations;
};

std::vector<WordGroup> group_by_word(const std::vector<PendingTranslation>& entries) {
  std::vector<WordGroup> groups;
  for (const PendingTranslation& entry : entries) {
    auto it = std::find_if(groups.begin(), groups.end(),
                           [&](const WordGroup& g) { return g.word == entry.word; });
    if (it == groups.end()) {
      groups.push_back({entry.word, entry.transcription, {}});
      it = groups.end() - 1;
    }
    it->translations.push_back(entry.translation);
  }
  return groups;
}

}  // namespace

void PendingTranslations::add(std::u16string word, std::u16string transcription,
                              std::u16string translation) {
  entries_.push_back({std::move(word), std::move(transcription), std::move(translation)});
}

void PendingTranslations::remove_word(std::u16string_view word) {
  std::erase_if(entries_, [word](const PendingTranslation& e) { return e.word == word; });
}

std::u16string transcription_of(std::u16string_view article) {
  std::size_t start = std::u16string_view::npos;
  for (std::size_t i = article.find(u'<'); i != std::u16string_view::npos;
       i = article.find(u'<', i + 1)) {
    const std::u16string_view rest = article.substr(i);
    if (rest.size() < kShortestTag) break;
    if (start == std::u16string_view::npos) {
      if (rest.starts_with(kTranscriptionOpen)) start = i + kTranscriptionOpen.size();
    } else if (rest.starts_with(kTranscriptionClose)) {
      return std::u16string(article.substr(start, i - start));
    }
  }
  return {};
}

std::u16string join_translations(const std::vector<std::u16string>& texts) {
  std::u16string joined;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) joined += kTranslationSeparator;
    joined += texts[i];
  }
  return joined;
}

std::u16string flash_card_database_path(std::u16string_view setting,
                                        std::u16string_view documents_folder) {
  if (!setting.empty()) return std::u16string(setting);
  std::u16string path(documents_folder);
  if (path.empty() || path.back() != u'/') path += u'/';
  path += kDefaultFlashCardDatabase;
  return path;
}

bool add_flash_card_translation(PendingTranslations* pending, Dictionary& dictionary,
                                std::uint32_t word_index, std::u16string_view selection,
                                const void* owner_window) {
  if (selection.empty()) {
    show(str::kSelectTranslation, str::kWordLearning, MessageIcon::kInformation, owner_window);
    return false;
  }
  // Both views are copied at once: word_at and article_at reuse their buffers.
  std::u16string word;
  if (const auto headword = dictionary.word_at(word_index)) word = std::u16string(*headword);
  std::u16string transcription;
  if (const auto article = dictionary.article_at(word_index))
    transcription = transcription_of(*article);
  pending->add(std::move(word), std::move(transcription), std::u16string(selection));
  return true;
}

FlashCardExportResult export_flash_card(PendingTranslations* pending,
                                        std::u16string_view database_path,
                                        const FlashCardExportOptions& options) {
  const CardbankLibrary library(options.library);
  if (!library.loaded()) {
    if (!options.report_failures) return FlashCardExportResult::kNoLibrary;
    show(format_message(string_text(str::kCantFind), options.library), str::kError,
         MessageIcon::kError, options.owner_window);
    return FlashCardExportResult::kNoLibrary;
  }
  const MRNewRecordFunction new_record = library.new_record();
  if (!new_record) return FlashCardExportResult::kNoExport;

  if (pending->empty()) {
    show(str::kNoTranslations, str::kWordLearning, MessageIcon::kInformation, options.owner_window);
    return FlashCardExportResult::kDone;
  }

  const std::u16string path(database_path);
  bool failed = false;
  for (const WordGroup& group : group_by_word(pending->entries())) {
    const std::u16string translation = join_translations(group.translations);
    if (translation.empty()) {
      pending->remove_word(group.word);
      show(str::kNoTranslations, str::kWordLearning, MessageIcon::kInformation,
           options.owner_window);
      continue;
    }
    const std::int32_t result = new_record(path.c_str(), group.word.c_str(),
                                           group.transcription.c_str(), translation.c_str());
    if (result < 0) {
      failed = true;  // kept for the next export
      continue;
    }
    pending->remove_word(group.word);
    if (result == kWordPresent) {
      show(str::kWordAlreadyInDatabase, str::kWordLearning, MessageIcon::kInformation,
           options.owner_window);
    }
  }
  if (failed) {
    if (!options.report_failures) return FlashCardExportResult::kDatabaseFailure;
    show(format_message(string_text(str::kFlashCardDatabaseNotWritten), utf16_to_utf8(path)),
         str::kError, MessageIcon::kError, options.owner_window);
    return FlashCardExportResult::kDatabaseFailure;
  }
  return FlashCardExportResult::kDone;
}

}  // namespace lexora
