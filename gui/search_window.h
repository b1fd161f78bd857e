// "Search in articles": a window that searches the text of every article of
// the open dictionary and lists the articles found while the search runs,
// with a progress bar and Cancel. Choosing a result hands its headword
// position and the texts that matched to the caller, which opens the article.
//
// The search runs on a thread of its own over a Dictionary the window opens
// for it (on the UI thread, where the engine may show its messages); nothing
// of the main window's dictionary is touched from that thread. Results reach
// the window in batches posted to the UI thread, so a search that finds
// many articles does not flood the event queue.
#ifndef LEXORA_GUI_SEARCH_WINDOW_H_
#define LEXORA_GUI_SEARCH_WINDOW_H_

#include <QString>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/article_search.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace lexora {

// A result the user chose: the file that was searched, the headword
// position, and what to mark on its page (see highlight_matches).
struct SearchChoice {
  QString path;
  std::uint32_t index = 0;
  QStringList marks;
  bool word_starts = false;
};

class SearchWindow : public QWidget {
  Q_OBJECT
 public:
  // The dictionary file a search should read (the main window's, asked at
  // the start of each search; empty when none is open).
  using PathSource = std::function<QString()>;
  // Called on the UI thread when the user chooses a result.
  using OpenResult = std::function<void(const SearchChoice& choice)>;

  SearchWindow(PathSource path_source, OpenResult open_result, QWidget* parent = nullptr);
  // Cancels a running search and waits for its thread.
  ~SearchWindow() override;

  // Starts a search for `text` (see SearchQuery) in the dictionary the path
  // source names, cancelling one that runs. False, with the reason in the
  // status line, when there is no dictionary or the query is not valid.
  bool start_search(const QString& text, bool regex);
  void cancel();
  bool running() const { return worker_.joinable(); }

  // For tests.
  QLineEdit* query_box() const { return query_box_; }
  QCheckBox* regex_box() const { return regex_box_; }
  QTreeWidget* results() const { return results_; }
  QProgressBar* progress() const { return progress_; }
  QPushButton* cancel_button() const { return cancel_button_; }
  QLabel* status() const { return status_; }

 signals:
  // A search ended: finished, cancelled or stopped.
  void search_finished();

 protected:
  // Closing the window cancels its search.
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Row {
    std::uint32_t index;
    QString headword;
    QString snippet;
    QStringList marks;
    bool word_starts;
  };

  void on_search_clicked();
  // Takes the rows the search thread has found so far (UI thread).
  void take_rows();
  void on_finished(std::uint64_t generation, const SearchSummary& summary);
  void on_activated(QTreeWidgetItem* item);
  // From the search thread: a row found, or progress; posts take_rows()
  // unless a post is already on its way.
  void post_rows_locked();
  void stop_worker();
  void set_running_look(bool running);

  PathSource path_source_;
  OpenResult open_result_;
  QLineEdit* query_box_ = nullptr;
  QCheckBox* regex_box_ = nullptr;
  QPushButton* search_button_ = nullptr;
  QTreeWidget* results_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* cancel_button_ = nullptr;
  QLabel* status_ = nullptr;
  QString searched_path_;
  // Counts searches, so that the end of one stopped early is told apart
  // from the end of the one running now (UI thread only).
  std::uint64_t generation_ = 0;

  std::thread worker_;
  std::atomic<bool> cancel_{false};
  // Shared with the search thread.
  std::mutex mutex_;
  std::vector<Row> pending_;
  std::uint32_t blocks_done_ = 0;
  std::uint32_t blocks_total_ = 0;
  bool post_pending_ = false;
};

}  // namespace lexora

#endif  // LEXORA_GUI_SEARCH_WINDOW_H_
