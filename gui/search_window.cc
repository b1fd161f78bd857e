#include "gui/search_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>
#include <string>
#include <utility>

#include "engine/dictionary.h"
#include "gui/qt_message_sink.h"

namespace lexora {
namespace {

constexpr int kIndexRole = Qt::UserRole;
constexpr int kMarksRole = Qt::UserRole + 1;
constexpr int kWordStartsRole = Qt::UserRole + 2;
constexpr int kWordColumn = 0;
constexpr int kTextColumn = 1;

QString from_u16(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

SearchWindow::SearchWindow(PathSource path_source, OpenResult open_result, QWidget* parent)
    : QWidget(parent, Qt::Window),
      path_source_(std::move(path_source)),
      open_result_(std::move(open_result)) {
  setWindowTitle(tr("Search in articles"));
  query_box_ = new QLineEdit(this);
  query_box_->setPlaceholderText(tr("Words, or a \"phrase in quotes\""));
  regex_box_ = new QCheckBox(tr("Regular expression"), this);
  search_button_ = new QPushButton(tr("Search"), this);
  results_ = new QTreeWidget(this);
  results_->setColumnCount(2);
  results_->setHeaderLabels({tr("Word"), tr("Text")});
  results_->setRootIsDecorated(false);
  results_->setUniformRowHeights(true);
  results_->header()->setStretchLastSection(true);
  progress_ = new QProgressBar(this);
  progress_->setRange(0, 1);
  progress_->setValue(0);
  cancel_button_ = new QPushButton(tr("Cancel"), this);
  cancel_button_->setEnabled(false);
  status_ = new QLabel(this);

  auto* query_row = new QHBoxLayout;
  query_row->addWidget(query_box_, 1);
  query_row->addWidget(regex_box_);
  query_row->addWidget(search_button_);
  auto* progress_row = new QHBoxLayout;
  progress_row->addWidget(progress_, 1);
  progress_row->addWidget(cancel_button_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(query_row);
  layout->addWidget(results_, 1);
  layout->addLayout(progress_row);
  layout->addWidget(status_);
  resize(640, 480);

  connect(query_box_, &QLineEdit::returnPressed, this, &SearchWindow::on_search_clicked);
  connect(search_button_, &QPushButton::clicked, this, &SearchWindow::on_search_clicked);
  connect(cancel_button_, &QPushButton::clicked, this, &SearchWindow::cancel);
  connect(results_, &QTreeWidget::itemActivated, this, &SearchWindow::on_activated);
}

SearchWindow::~SearchWindow() {
  stop_worker();
}

void SearchWindow::closeEvent(QCloseEvent* event) {
  cancel();
  QWidget::closeEvent(event);
}

void SearchWindow::on_search_clicked() {
  start_search(query_box_->text(), regex_box_->isChecked());
}

void SearchWindow::stop_worker() {
  cancel_.store(true);
  if (worker_.joinable()) worker_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  pending_.clear();
}

void SearchWindow::cancel() {
  cancel_.store(true);
}

void SearchWindow::set_running_look(bool running) {
  cancel_button_->setEnabled(running);
  search_button_->setEnabled(!running);
}

bool SearchWindow::start_search(const QString& text, bool regex) {
  stop_worker();
  ++generation_;
  results_->clear();
  progress_->setRange(0, 1);
  progress_->setValue(0);
  const QString path = path_source_ ? path_source_() : QString();
  if (path.isEmpty()) {
    status_->setText(tr("No dictionary is open."));
    return false;
  }
  auto dict = std::make_unique<Dictionary>();
  // Told while opening only: the search runs on a worker thread, which must
  // show no boxes.
  dict->set_status_listener(show_engine_status);
  const bool opened = dict->open_dictionary(path.toStdString());
  dict->set_status_listener(nullptr);
  if (!opened) {
    status_->setText(tr("The dictionary cannot be opened."));
    return false;
  }
  std::string error;
  std::unique_ptr<SearchQuery> query =
      SearchQuery::compile(text.toStdU16String(), regex, dict->header().locale_id, &error);
  if (!query) {
    status_->setText(QString::fromStdString(error));
    return false;
  }
  searched_path_ = path;
  cancel_.store(false);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    blocks_done_ = 0;
    blocks_total_ = 0;
    post_pending_ = false;
  }
  set_running_look(true);
  status_->setText(tr("Searching..."));
  const std::uint64_t generation = generation_;
  worker_ = std::thread([this, generation, dict = std::move(dict), query = std::move(query)] {
    const SearchSummary summary = search_articles(
        *dict, *query, SearchOptions{},
        [this](const SearchHit& hit) {
          Row row{hit.index,
                  from_u16(hit.headword),
                  from_u16(hit.match.snippet),
                  {},
                  hit.match.word_starts};
          for (const std::u16string& marked : hit.match.matched_texts)
            row.marks << from_u16(marked);
          std::lock_guard<std::mutex> lock(mutex_);
          pending_.push_back(std::move(row));
          post_rows_locked();
          return true;
        },
        [this](std::uint32_t done, std::uint32_t total) {
          std::lock_guard<std::mutex> lock(mutex_);
          blocks_done_ = done;
          blocks_total_ = total;
          post_rows_locked();
        },
        &cancel_);
    QMetaObject::invokeMethod(
        this, [this, generation, summary] { on_finished(generation, summary); },
        Qt::QueuedConnection);
  });
  return true;
}

void SearchWindow::post_rows_locked() {
  if (post_pending_) return;
  post_pending_ = true;
  QMetaObject::invokeMethod(
      this, [this] { take_rows(); }, Qt::QueuedConnection);
}

void SearchWindow::take_rows() {
  std::vector<Row> rows;
  std::uint32_t done = 0;
  std::uint32_t total = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    rows.swap(pending_);
    done = blocks_done_;
    total = blocks_total_;
    post_pending_ = false;
  }
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (Row& row : rows) {
    auto* item = new QTreeWidgetItem({row.headword, row.snippet});
    item->setData(kWordColumn, kIndexRole, row.index);
    item->setData(kWordColumn, kMarksRole, row.marks);
    item->setData(kWordColumn, kWordStartsRole, row.word_starts);
    item->setToolTip(kTextColumn, row.snippet);
    items.append(item);
  }
  results_->addTopLevelItems(items);
  if (total != 0) {
    progress_->setRange(0, static_cast<int>(total));
    progress_->setValue(static_cast<int>(done));
  }
}

void SearchWindow::on_finished(std::uint64_t generation, const SearchSummary& summary) {
  if (generation != generation_) return;  // a search stopped before this one began
  if (worker_.joinable()) worker_.join();
  take_rows();
  set_running_look(false);
  QString text;
  if (summary.unreadable) {
    text = tr("The dictionary cannot be read.");
  } else if (summary.cancelled) {
    text = tr("Cancelled: %n article(s) found.", nullptr, static_cast<int>(summary.hits));
  } else {
    progress_->setValue(progress_->maximum());
    text = tr("%n article(s) found.", nullptr, static_cast<int>(summary.hits));
  }
  if (summary.damaged_blocks != 0)
    text += QLatin1Char(' ') +
            tr("%n damaged block(s) skipped.", nullptr, static_cast<int>(summary.damaged_blocks));
  status_->setText(text);
  emit search_finished();
}

void SearchWindow::on_activated(QTreeWidgetItem* item) {
  if (item == nullptr || !open_result_) return;
  SearchChoice choice;
  choice.path = searched_path_;
  choice.index = item->data(kWordColumn, kIndexRole).toUInt();
  choice.marks = item->data(kWordColumn, kMarksRole).toStringList();
  choice.word_starts = item->data(kWordColumn, kWordStartsRole).toBool();
  open_result_(choice);
}

}  // namespace lexora
