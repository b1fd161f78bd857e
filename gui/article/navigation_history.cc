#include "gui/article/navigation_history.h"

namespace lexora {

void NavigationHistory::history_clear() {
  entries_.clear();
  current_ = -1;
}

void NavigationHistory::history_save_position(std::int32_t position) {
  if (current_ >= 0) entries_[static_cast<std::size_t>(current_)].position = position;
}

void NavigationHistory::history_record(std::int32_t word, std::int32_t position) {
  ++current_;
  entries_.resize(static_cast<std::size_t>(current_));
  entries_.push_back({word, position});
}

std::int32_t NavigationHistory::history_back(std::int32_t* position) {
  if (current_ <= 0) return kNoHistoryWord;
  --current_;
  const HistoryEntry& entry = entries_[static_cast<std::size_t>(current_)];
  *position = entry.position;
  const std::int32_t word = entry.word;
  // A placeholder just left can never be reached again with Forward.
  if (entries_[static_cast<std::size_t>(current_) + 1].word == kNoHistoryWord) {
    entries_.resize(static_cast<std::size_t>(current_) + 1);
  }
  return word;
}

std::int32_t NavigationHistory::history_forward(std::int32_t* position) {
  if (!can_go_forward()) return kNoHistoryWord;
  ++current_;
  const HistoryEntry& entry = entries_[static_cast<std::size_t>(current_)];
  *position = entry.position;
  return entry.word;
}

}  // namespace lexora
