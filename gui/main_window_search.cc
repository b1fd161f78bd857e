// The main window's "Search in articles..." command: the search window, and
// the article window on a result the user chose there, its matches marked.
#include <QLineEdit>

#include "engine/dictionary.h"
#include "gui/article/article_view.h"
#include "gui/article/article_window.h"
#include "gui/main_window.h"
#include "gui/search_highlight.h"
#include "gui/search_window.h"
#include "gui/word_controls.h"

namespace lexora {

void MainWindow::open_search_window() {
  if (search_window_ == nullptr) {
    // The file the engine opened: for a dictionary of another format, its
    // converted copy rather than the source the user chose.
    search_window_ =
        new SearchWindow([this] { return QString::fromStdString(objects_.dictionary.path()); },
                         [this](const SearchChoice& choice) { open_search_result(choice); }, this);
  }
  search_window_->show();
  search_window_->raise();
  search_window_->activateWindow();
  search_window_->query_box()->setFocus();
}

void MainWindow::open_search_result(const SearchChoice& choice) {
  // The results may come from a dictionary that is no longer the open one.
  if (choice.path != QString::fromStdString(objects_.dictionary.path()) ||
      choice.index >= word_count_)
    return;
  current_word_index_ = choice.index;
  show_word_list_at(choice.index);
  ArticleWindow window(*this, this);
  highlight_matches(window.view(), choice.marks, choice.word_starts);
  article_window_ = &window;
  window.run();
  article_window_ = nullptr;
  after_article_window();
}

}  // namespace lexora
