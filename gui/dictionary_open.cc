// Opening a dictionary into the main window, by path or through the file
// browser; dictionaries of other formats through their converted copies.
#include <QApplication>
#include <QFileInfo>

#include "engine/dictionary.h"
#include "gui/dialogs/file_browser.h"
#include "gui/dictionary_import.h"
#include "gui/main_window.h"
#include "gui/qt_message_sink.h"
#include "gui/qt_util.h"
#include "gui/word_controls.h"
#include "import/import_cache.h"
#include "model/recent_files.h"
#include "model/settings.h"
#include "platform/messages.h"
#include "resources/string_table.h"

namespace lexora {
QString window_title_for(const QString& path) {
  return qt_text(str::kBaseTitle) + QStringLiteral("  ") +
         QString::fromStdString(file_name_part(path.toStdString()));
}

bool MainWindow::open_dictionary_file(const QString& given) {
  // One file is one path however it was reached: "..", "." and symbolic
  // links are resolved, so the recent list never holds a file twice. A path
  // that names no file is kept as given (and so leaves the recent list).
  const QString canonical = QFileInfo(given).canonicalFilePath();
  const QString path = canonical.isEmpty() ? given : canonical;
  browse_from_ = path;
  // A dictionary of another format opens through its converted copy; its
  // own path stands for it everywhere else (title, recent files, settings).
  // A conversion that fails or is cancelled leaves the open dictionary open.
  QString file = path;
  if (is_foreign_dictionary(path)) {
    switch (import_for_opening(this, path, import::import_cache_folder(), import::ImportOptions{},
                               &file)) {
      case ImportOutcome::kReady:
        break;
      case ImportOutcome::kFailed:
        recent_remove(path);
        return false;
      case ImportOutcome::kCancelled:
        return false;
    }
  }
  if (!current_path_.isEmpty()) save_dictionary_settings_for(current_path_);
  current_path_ = path;

  WaitCursor wait;
  Dictionary& dict = objects_.dictionary;
  // Its errors, here and while it stays open, come before our own messages.
  dict.set_status_listener(show_engine_status);
  const bool opened = dict.open_dictionary(file.toStdString());
  wait.restore();

  if (!opened) {
    // The engine closed the previous dictionary: the list empties.
    word_count_ = 0;
    top_index_ = 0;
    current_word_index_ = 0;
    page_size_ = 0;
    if (started_) relayout();
    const std::string text = format_message(string_text(str::kCantOpenFile), path.toStdString());
    show_message_text(text, str::kError, MessageIcon::kError);
    recent_remove(path);
    return false;
  }

  word_count_ = dict.word_count();
  load_dictionary_settings_for(path);
  word_box_->setFocus();
  const QString text = word_box_->text();
  if (!text.isEmpty()) {
    top_index_ = static_cast<std::int32_t>(dict.find_word(as_view(text), nullptr, true));
  } else if (objects_.settings.last_word != 0) {
    top_index_ = objects_.settings.last_word_id;
  } else {
    top_index_ = 0;
  }
  // A saved position beyond this file's words (the file changed since)
  // would show an empty list.
  if (word_count_ == 0 || top_index_ < 0) top_index_ = 0;
  if (word_count_ > 0 && static_cast<std::uint32_t>(top_index_) >= word_count_) {
    top_index_ = static_cast<std::int32_t>(word_count_ - 1);
  }
  current_word_index_ = static_cast<std::uint32_t>(top_index_);
  relayout();
  const QString title = window_title_for(path);
  setWindowTitle(title);
  emit title_changed(title);
  recent_add(path);
  return true;
}

bool MainWindow::browse_and_open(QWidget* parent) {
  const QString& from = browse_from_.isEmpty() ? current_path_ : browse_from_;
  const qsizetype slash = from.lastIndexOf(u'/');
  const QString folder = slash < 0 ? from : from.left(slash);
  const std::vector<ExtensionIcon> icons = dictionary_extension_icons();
  const QString types = dictionary_type_text();
  for (;;) {
    FileBrowser browser(parent);
    browser.add_extension_icons(icons.data(), icons.size());
    if (!browser.browse_open(folder, types)) {
      return false;
    }
    if (open_dictionary_file(browser.result())) return true;
  }
}

}  // namespace lexora
