// The article window's history of shown pages, walked with Back and Forward
// like a web browser's.
//
// Each entry names the word whose article was shown (its index in the word
// list) and the page's vertical scroll position in the view's scroll units.
// Pages that are not articles (a picture shown by itself) are recorded as
// placeholder entries, word -1: Back never shows them again, and leaving one
// with Back cuts it and everything after it off the list.
//
// No Qt; one history for the program, emptied each time the window opens.
#ifndef LEXORA_GUI_ARTICLE_NAVIGATION_HISTORY_H_
#define LEXORA_GUI_ARTICLE_NAVIGATION_HISTORY_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lexora {

// The word of a placeholder entry, and the result of a step that shows
// nothing.
inline constexpr std::int32_t kNoHistoryWord = -1;

struct HistoryEntry {
  std::int32_t word = kNoHistoryWord;
  std::int32_t position = 0;
};

class NavigationHistory {
 public:
  // Removes every entry.
  void history_clear();
  // Stores `position` into the entry on display; nothing when empty.
  void history_save_position(std::int32_t position);
  // Drops every entry after the one on display (the forward part) and
  // appends {word, position}, which becomes the entry on display.
  void history_record(std::int32_t word, std::int32_t position);
  // Steps back one entry: its word (kNoHistoryWord when it is a placeholder)
  // and, through `position`, its scroll position. Leaving a placeholder cuts
  // it and every later entry off. kNoHistoryWord and no change at the first
  // entry or on an empty list (`position` is then left alone).
  std::int32_t history_back(std::int32_t* position);
  // Steps forward one entry; kNoHistoryWord and no change at the last.
  std::int32_t history_forward(std::int32_t* position);

  bool can_go_back() const { return current_ > 0; }
  bool can_go_forward() const {
    return current_ + 1 < static_cast<std::ptrdiff_t>(entries_.size());
  }

  // For tests and the window's menu states.
  std::ptrdiff_t current() const { return current_; }
  const std::vector<HistoryEntry>& entries() const { return entries_; }

 private:
  std::vector<HistoryEntry> entries_;
  std::ptrdiff_t current_ = -1;  // -1 exactly when entries_ is empty
};

}  // namespace lexora

#endif  // LEXORA_GUI_ARTICLE_NAVIGATION_HISTORY_H_
