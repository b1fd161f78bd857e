#include "gui/article/article_controller.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <utility>

#include "engine/dictionary.h"
#include "engine/media.h"
#include "gui/article/link_target.h"
#include "gui/article/packed_file.h"
#include "platform/messages.h"
#include "platform/utf.h"
#include "resources/string_table.h"
#include "sound/sound.h"

namespace lexora {
namespace {

constexpr std::array<int, kZoomLevelCount> kZoomCommands = {
    article_cmd::kSmallest, article_cmd::kSmall,  article_cmd::kMedium,
    article_cmd::kLarge,    article_cmd::kLarger, article_cmd::kLargest};

constexpr std::u16string_view kPicturePageStart = u"<img src=\"";
constexpr std::u16string_view kPicturePageEnd = u"\">";

MessageResult show_owned(const void* owner, std::string text, std::string caption, MessageIcon icon,
                         MessageButtons buttons = MessageButtons::kOk) {
  Message message;
  message.text = std::move(text);
  message.caption = std::move(caption);
  message.icon = icon;
  message.buttons = buttons;
  message.owner = owner ? MessageOwner::kWindow : MessageOwner::kActiveWindow;
  message.owner_window = owner;
  return show_message(message);
}

MessageResult show_owned(const void* owner, int text_id, int caption_id, MessageIcon icon,
                         MessageButtons buttons = MessageButtons::kOk) {
  return show_owned(owner, std::string(string_text(text_id)), std::string(string_text(caption_id)),
                    icon, buttons);
}

// Selections keep the blanks and line ends around them out of lookups and
// translations.
std::u16string_view trimmed(std::u16string_view text) {
  auto blank = [](char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\u00A0';
  };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// A database file of 0 bytes (made by touch, or a copy cut short) holds no
// records: it is removed so that the library makes a new, empty database
// there instead of refusing the file as damaged.
void forget_empty_database(std::u16string_view path) {
  const std::string file = utf16_to_utf8(path);
  struct stat st {};
  if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) {
    ::unlink(file.c_str());
  }
}

}  // namespace

int zoom_level_for_command(int command) {
  const auto it = std::find(kZoomCommands.begin(), kZoomCommands.end(), command);
  return it == kZoomCommands.end() ? -1 : static_cast<int>(it - kZoomCommands.begin());
}

int zoom_command_for_level(int level) {
  return kZoomCommands[static_cast<std::size_t>(valid_zoom_level(level))];
}

int valid_zoom_level(int level) {
  return level >= 0 && level < kZoomLevelCount ? level : kDefaultZoomLevel;
}

ArticleController::ArticleController(Dictionary& dictionary, SoundPlayer& sound,
                                     ArticleSession& session, ArticleSurface& surface,
                                     ArticleOptions options)
    : dictionary_(dictionary),
      sound_(sound),
      session_(session),
      surface_(surface),
      options_(std::move(options)) {}

void ArticleController::open(int text_size) {
  set_zoom_level(text_size);
  session_.history.history_clear();
  if (dictionary_.word_count() == 0) return;
  show_article(surface_.current_word_index(), 0, true);
}

void ArticleController::set_zoom_level(int level) {
  zoom_level_ = valid_zoom_level(level);
  surface_.apply_zoom(zoom_level_);
}

void ArticleController::export_pending() {
  if (session_.pending.empty()) return;
  forget_empty_database(options_.flash_card_database);
  FlashCardExportOptions options;
  options.library = options_.cardbank_library;
  options.owner_window = surface_.message_owner();
  options.report_failures = !session_.flash_card_failure_told;
  switch (export_flash_card(&session_.pending, options_.flash_card_database, options)) {
    case FlashCardExportResult::kDone:
      session_.flash_card_failure_told = false;
      break;
    case FlashCardExportResult::kNoLibrary:
    case FlashCardExportResult::kDatabaseFailure:
      session_.flash_card_failure_told = true;
      break;
    case FlashCardExportResult::kNoExport:
      break;
  }
}

void ArticleController::refresh_history_state() {
  surface_.set_history_state(session_.history.can_go_back(), session_.history.can_go_forward());
}

void ArticleController::show_article(std::uint32_t word, std::int32_t position, bool record) {
  export_pending();
  if (record) {
    session_.history.history_save_position(surface_.scroll_position());
    session_.history.history_record(static_cast<std::int32_t>(word), 0);
  }
  surface_.show_page(render_article_at(dictionary_, word, options_.page_style, page_));
  surface_.set_scroll_position(position);
  // The word list, the word box and the volume keys follow the page shown.
  surface_.set_current_word_index(word);
  refresh_history_state();
}

void ArticleController::show_text_page(std::u16string_view text) {
  export_pending();
  session_.history.history_save_position(surface_.scroll_position());
  session_.history.history_record(kNoHistoryWord, 0);
  surface_.show_page(
      render_article_page(dictionary_, std::u16string_view(), text, options_.page_style, page_));
  refresh_history_state();
}

void ArticleController::dispatch_link(std::u16string_view target) {
  const LinkTarget link = classify_link(target);
  switch (link.kind) {
    case LinkKind::kAbbreviation:
      show_abbreviation(link.argument);
      break;
    case LinkKind::kSound:
      toggle_sound(link.argument);
      break;
    case LinkKind::kPicture: {
      std::u16string page(kPicturePageStart);
      page.append(link.argument).append(kPicturePageEnd);
      show_text_page(page);
      break;
    }
    case LinkKind::kAnchor:
      surface_.scroll_to_anchor(link.argument);
      break;
    case LinkKind::kAddress:
      surface_.open_address(link.argument);
      break;
    case LinkKind::kWord:
      follow_word_link(link.argument);
      break;
    case LinkKind::kPackedFile:
      open_packed_file(link.argument);
      break;
  }
}

void ArticleController::show_abbreviation(std::u16string_view key) {
  const auto expansion = dictionary_.expand_abbreviation(key);
  if (!expansion) return;
  std::string text = utf16_to_utf8(*expansion);
  std::u16string_view caption = key;
  if (!caption.empty() && caption.front() == u'_') caption.remove_prefix(1);
  show_owned(surface_.message_owner(), std::move(text), utf16_to_utf8(caption), MessageIcon::kNone);
}

void ArticleController::toggle_sound(std::u16string_view name) {
  if (sound_.playing()) {
    sound_.stop_sound();
    return;
  }
  if (!sound_.play_sound(dictionary_, name, sound_type_of(name))) {
    show_owned(surface_.message_owner(), str::kFileNotFound, str::kError, MessageIcon::kWarning);
  }
}

void ArticleController::follow_word_link(std::u16string_view word) {
  // A link names its word exactly: punctuation counts, whatever the user's
  // trimming for typed words.
  bool exact = false;
  const std::uint32_t found = dictionary_.find_word(word, &exact, {.ignore_punctuation = false});
  if (exact) {
    show_article(found, 0, true);
    return;
  }
  if (show_owned(surface_.message_owner(), str::kLinkedWordNotFound, str::kError,
                 MessageIcon::kQuestion, MessageButtons::kYesNo) != MessageResult::kYes) {
    return;
  }
  surface_.set_current_word_index(found);
  surface_.set_hand_back_text(word);
  close(article_cmd::kClose);
}

void ArticleController::find_selection() {
  const std::u16string selection = surface_.selected_text();
  const std::u16string_view text = trimmed(selection);
  if (text.empty()) {
    show_owned(surface_.message_owner(), str::kSelectWordToFind, str::kSearchResults,
               MessageIcon::kInformation);
    return;
  }
  bool exact = false;
  const std::uint32_t found = dictionary_.find_word(text, &exact, true);
  if (exact) {
    show_article(found, 0, true);
    return;
  }
  if (show_owned(surface_.message_owner(), str::kWordNotFoundGoToList, str::kSearchResults,
                 MessageIcon::kQuestion, MessageButtons::kYesNo) != MessageResult::kYes) {
    return;
  }
  surface_.set_current_word_index(found);
  surface_.set_hand_back_text(text);
  close(article_cmd::kClose);
}

void ArticleController::add_for_learning() {
  const std::u16string selection = surface_.selected_text();
  add_flash_card_translation(&session_.pending, dictionary_, surface_.current_word_index(),
                             trimmed(selection), surface_.message_owner());
}

void ArticleController::open_packed_file(std::u16string_view entry) {
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;
  if (dictionary_.read_pack_entry(entry, &size, &buffer) == nullptr) return;
  const auto folder = private_media_folder(options_.media_folder_root);
  if (!folder) return;
  const auto name = packed_file_name(entry);
  if (!name) {
    show_owned(surface_.message_owner(), str::kFileCreationError, str::kError, MessageIcon::kError);
    return;
  }
  const std::string file_name = utf16_to_utf8(*name);
  const std::string question =
      format_message(format_message(string_text(str::kSaveAndRun), file_name), *folder);
  if (show_owned(surface_.message_owner(), question, std::string(string_text(str::kConfirm)),
                 MessageIcon::kQuestion, MessageButtons::kYesNo) != MessageResult::kYes) {
    return;
  }
  // Read again: the question ran an event loop, and a stored entry is a view
  // into the pack's mapping.
  const std::uint8_t* data = dictionary_.read_pack_entry(entry, &size, &buffer);
  if (data == nullptr || !write_private_file(*folder, file_name, {data, size})) {
    show_owned(surface_.message_owner(), str::kFileCreationError, str::kError, MessageIcon::kError);
    return;
  }
  surface_.open_file(*folder + "/" + file_name);
}

void ArticleController::go_back() {
  std::int32_t position = 0;
  const std::int32_t word = session_.history.history_back(&position);
  if (word == kNoHistoryWord) return;
  show_article(static_cast<std::uint32_t>(word), position, false);
}

void ArticleController::go_forward() {
  std::int32_t position = 0;
  const std::int32_t word = session_.history.history_forward(&position);
  if (word == kNoHistoryWord) return;
  show_article(static_cast<std::uint32_t>(word), position, false);
}

bool ArticleController::on_command(int command) {
  if (const int level = zoom_level_for_command(command); level >= 0) {
    set_zoom_level(level);
    return true;
  }
  switch (command) {
    case article_cmd::kClose:
    case article_cmd::kCancel:
      close(command);
      return true;
    case article_cmd::kBack:
      go_back();
      return true;
    case article_cmd::kForward:
      go_forward();
      return true;
    case article_cmd::kFind:
      find_selection();
      return true;
    case article_cmd::kAddForLearning:
      add_for_learning();
      return true;
    default:
      return false;
  }
}

void ArticleController::step(int delta) {
  const std::uint32_t current = surface_.current_word_index();
  const std::uint32_t count = dictionary_.word_count();
  std::uint32_t next = current;
  if (delta < 0 && current > 0) {
    next = current - 1;
  } else if (delta > 0 && count > 0 && current < count - 1) {
    next = current + 1;
  } else {
    return;
  }
  surface_.set_current_word_index(next);
  show_article(next, 0, true);
}

void ArticleController::close(int command) {
  export_pending();
  window_gone();
  surface_.end_window(command);
}

void ArticleController::window_gone() {
  sound_.stop_sound();
  sound_.wait_until_idle();
}

}  // namespace lexora
