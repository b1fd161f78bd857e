// The main window's word search: the typing lookup, scrolling, Enter and
// double click, the clipboard search, Copy and Paste.
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>

#include "engine/dictionary.h"
#include "engine/two_pass_lookup.h"
#include "gui/article/article_window.h"
#include "gui/command_ids.h"
#include "gui/main_window.h"
#include "gui/qt_util.h"
#include "gui/word_controls.h"
#include "model/settings.h"

namespace lexora {
namespace {

QString clipboard_text() {
  return QApplication::clipboard()->text();
}

}  // namespace

std::uint32_t MainWindow::two_pass_lookup(const QString& text, bool* exact_out) {
  return lexora::two_pass_lookup(objects_.dictionary, as_view(text), exact_out,
                                 {.ignore_punctuation = smart_find()});
}

void MainWindow::typing_lookup() {
  top_index_ = static_cast<std::int32_t>(two_pass_lookup(word_box_->text(), nullptr));
  set_scroll_position();
  refill();
}

void MainWindow::on_scroll(int code) {
  const std::int32_t count = static_cast<std::int32_t>(word_count_);
  std::int32_t top = top_index_;
  switch (code) {
    case scroll::kLineUp:
      top -= 1;
      break;
    case scroll::kLineDown:
      top += 1;
      break;
    case scroll::kPageUp:
      top -= page_size_;
      break;
    case scroll::kPageDown:
      top += page_size_;
      break;
    case scroll::kThumbTrack:
      top = scroll_bar_->sliderPosition();
      break;
    case scroll::kTop:
      top = 0;
      break;
    case scroll::kBottom:
      top = count - page_size_;
      break;
    default:
      break;
  }
  if (top > count - 1) top = count - 1;
  if (top < 0) top = 0;
  top_index_ = top;
  set_scroll_position();
  refill();
  word_list_->repaint();
  // Show the top word without looking it up again.
  edit_tracking_ = false;
  if (const auto word = objects_.dictionary.word_at(static_cast<std::uint32_t>(top_index_))) {
    word_box_->setText(to_qstring(*word));
  } else {
    word_box_->clear();
  }
  word_box_->selectAll();
  edit_tracking_ = true;
}

void MainWindow::on_word_box_enter() {
  const std::uint32_t found = two_pass_lookup(word_box_->text(), nullptr);
  top_index_ = static_cast<std::int32_t>(found);
  current_word_index_ = found;
  set_scroll_position();
  refill();
  run_article_window();
  after_article_window();
}

void MainWindow::on_word_list_enter() {
  const int row = std::max(0, word_list_->highlighted_row());
  current_word_index_ = static_cast<std::uint32_t>(top_index_ + row);
  run_article_window();
  after_article_window();
}

void MainWindow::on_double_click(int row) {
  if (row < 0) return;
  current_word_index_ = static_cast<std::uint32_t>(top_index_ + row);
  // The typing lookup runs on the new text and moves the list to the word.
  if (const auto word = objects_.dictionary.word_at(current_word_index_)) {
    word_box_->setText(to_qstring(*word));
  }
  run_article_window();
  after_article_window();
}

void MainWindow::after_article_window() {
  word_box_->selectAll();
  word_box_->setFocus();
}

void MainWindow::run_article_window() {
  ArticleWindow window(*this, this);
  article_window_ = &window;
  window.run();
  article_window_ = nullptr;
}

void MainWindow::show_word_list_at(std::uint32_t index) {
  top_index_ = static_cast<std::int32_t>(index);
  set_scroll_position();
  refill();
}

void MainWindow::hand_back(const QString& text) {
  set_word_box_text(text);
  activateWindow();
  word_box_->setFocus();
}

void MainWindow::set_word_box_text(const QString& text) {
  word_box_->setText(text);
}

void MainWindow::clipboard_search() {
  if (!word_box_) return;
  const QString text = clipboard_text();
  if (text.isEmpty()) return;
  bool exact = false;
  const std::uint32_t found = objects_.dictionary.find_word(as_view(text), &exact, true);
  top_index_ = static_cast<std::int32_t>(found);
  current_word_index_ = found;
  // The typing lookup runs on the new text and may move the list again.
  set_word_box_text(text);
  refill();
  if (exact) {
    if (article_window_) {
      article_window_->show_current_word();
    } else {
      run_article_window();
    }
    if (objects_.settings.g_show_only_card && clipboard_switch_) showMinimized();
  } else {
    if (article_window_) article_window_->done(0);
    set_word_box_text(text);
  }
  word_box_->selectAll();
  word_box_->setFocus();
}

void MainWindow::copy() {
  if (!word_box_ || !word_box_->hasSelectedText()) return;
  QApplication::clipboard()->setText(word_box_->selectedText());
}

void MainWindow::paste() {
  if (!word_box_) return;
  // Replacing the selection runs the typing lookup.
  word_box_->insert(clipboard_text());
  refill();
}

}  // namespace lexora
