#include "gui/dictionary_import.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

#include "gui/qt_util.h"
#include "import/import_cache.h"
#include "platform/messages.h"
#include "resources/string_table.h"

namespace lexora {
namespace {

using Progress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

constexpr int kProgressRange = 1000;
// Reading the source takes most of a conversion; writing the rest.
constexpr int kReadShare = 700;
// A conversion found in the cache ends long before the dialog would show.
constexpr int kShowAfterMs = 400;
constexpr int kPollMs = 40;

const QString kOwnPatterns = QStringLiteral("*.zd");

// What the worker and the UI thread share. The worker writes the result
// fields before it sets `done` (release); the UI thread reads them only after
// it has seen `done` (acquire).
struct ImportState {
  std::atomic<bool> cancel{false};
  std::atomic<bool> done{false};
  std::atomic<int> position{0};  // 0..kProgressRange
  bool ok = false;
  bool converted = false;
  std::string dictionary_path;
  import::ImportError error;
};

// The caller's callback first, then the position for the dialog and its
// Cancel. `from`/`span`: the part of the dialog's range this phase fills.
Progress phase_progress(const std::shared_ptr<ImportState>& state, Progress given, int from,
                        int span) {
  return [state, given = std::move(given), from, span](std::uint64_t done, std::uint64_t total) {
    if (given && !given(done, total)) return false;
    if (total > 0) {
      const std::uint64_t part = std::min(done, total) * static_cast<std::uint64_t>(span) / total;
      state->position.store(from + static_cast<int>(part), std::memory_order_relaxed);
    }
    return !state->cancel.load(std::memory_order_relaxed);
  };
}

QString file_name_of(const QString& path) {
  return QFileInfo(path).fileName();
}

void report_failure(QWidget* parent, const QString& source, const import::ImportError& error) {
  Message message;
  message.text = format_message(string_text(str::kCantOpenFile), source.toStdString()) + "\n" +
                 import::describe(error);
  message.caption = string_text(str::kError);
  message.icon = MessageIcon::kError;
  if (parent != nullptr) {
    message.owner = MessageOwner::kWindow;
    message.owner_window = static_cast<const QWidget*>(parent);
  }
  show_message(message);
}

// Runs the modal dialog until the worker sets state.done or the application
// quits.
void wait_with_progress(QWidget* parent, const QString& source, ImportState& state) {
  QProgressDialog dialog(
      QStringLiteral("Converting %1 into a Lexora dictionary...").arg(file_name_of(source)),
      qt_text(str::kCancel), 0, kProgressRange, parent);
  dialog.setWindowTitle(qt_text(str::kBaseTitle));
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  dialog.setMinimumDuration(kShowAfterMs);
  // The worker stops at its next progress report (a few thousand entries
  // at most) and removes what it has written.
  const auto request_cancel = [&state] { state.cancel.store(true); };
  // The Cancel button, Esc and the window's close button.
  QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, request_cancel);
  QObject::connect(&dialog, &QDialog::rejected, &dialog, request_cancel);

  QEventLoop loop;
  QTimer poll;
  poll.setInterval(kPollMs);
  bool shown = false;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (state.done.load(std::memory_order_acquire) || (!shown && dialog.isVisible())) {
      loop.quit();
      return;
    }
    // Once hidden by a cancel, the dialog is not shown again.
    if (!state.cancel.load()) dialog.setValue(state.position.load(std::memory_order_relaxed));
  });
  dialog.setValue(0);  // starts the dialog's timer to show itself
  poll.start();
  // Until the dialog shows (and so blocks the other windows), keys and
  // clicks wait, so that nothing can start another open meanwhile.
  if (!state.done.load(std::memory_order_acquire)) loop.exec(QEventLoop::ExcludeUserInputEvents);
  shown = dialog.isVisible();
  // Neither done nor shown: the application was told to quit.
  if (shown && !state.done.load(std::memory_order_acquire)) loop.exec();
  poll.stop();
}

}  // namespace

bool is_foreign_dictionary(const QString& path) {
  if (path.endsWith(kOwnPatterns.mid(1), Qt::CaseInsensitive)) return false;
  if (!QFileInfo(path).isFile()) return false;
  return import::detect_format(path.toStdString()) != import::SourceFormat::kUnknown;
}

QString dictionary_type_text() {
  // String 40100 holds our own type line and the all-files line.
  const QStringList own = qt_text(str::kDictionariesFilter).split(u'\n');
  QStringList every{kOwnPatterns};
  QStringList lines;
  for (const import::FormatFilter& filter : import::import_filters()) {
    QStringList patterns;
    for (const std::string& p : filter.patterns) patterns << QString::fromStdString(p);
    every << patterns;
    lines << QStringLiteral("%1 (%2)").arg(QString::fromStdString(filter.description),
                                           patterns.join(u' '));
  }
  lines.prepend(own.value(0));
  lines.prepend(QStringLiteral("All dictionaries (%1)").arg(every.join(u' ')));
  if (own.size() > 1) lines << own.mid(1);
  return lines.join(u'\n');
}

std::vector<ExtensionIcon> dictionary_extension_icons() {
  std::vector<ExtensionIcon> rows{{QStringLiteral("zd"), kIconDictionary}};
  for (const char* ext : {"ifo", "index", "dsl", "xdxf", "dz"})
    rows.push_back({QString::fromLatin1(ext), kIconDictionary});
  return rows;
}

ImportOutcome import_for_opening(QWidget* parent, const QString& source,
                                 const std::string& cache_folder,
                                 const import::ImportOptions& options, QString* dictionary_path) {
  auto state = std::make_shared<ImportState>();
  import::ImportOptions worker_options = options;
  worker_options.conversion.read_progress =
      phase_progress(state, options.conversion.read_progress, 0, kReadShare);
  worker_options.conversion.write_progress = phase_progress(
      state, options.conversion.write_progress, kReadShare, kProgressRange - kReadShare);

  std::thread worker([state, path = source.toStdString(), cache_folder,
                      worker_options = std::move(worker_options)] {
    state->ok = import::cached_import(path, cache_folder, worker_options, &state->dictionary_path,
                                      &state->converted, nullptr, &state->error);
    state->done.store(true, std::memory_order_release);
  });
  wait_with_progress(parent, source, *state);
  // The loop also ends when the application is told to quit: the
  // conversion is given up then.
  if (!state->done.load(std::memory_order_acquire)) state->cancel.store(true);
  worker.join();

  // A conversion that ended before the cancel was seen is whole and stays
  // in the cache for the next open; the user's choice still holds.
  if (state->cancel.load()) return ImportOutcome::kCancelled;
  if (!state->ok) {
    report_failure(parent, source, state->error);
    return ImportOutcome::kFailed;
  }
  *dictionary_path = QString::fromStdString(state->dictionary_path);
  return ImportOutcome::kReady;
}

}  // namespace lexora
