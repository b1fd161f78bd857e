// Dictionaries of other formats (StarDict, dictd, DSL, XDXF) in the program.
// Such a source is converted once into a ".zd" (and ".zpak") in the user's
// cache folder and that copy is opened; later opens find the copy again
// while the source keeps its size and modification time
// (import/import_cache.h). The user only ever sees the source's path: it is
// what the recent-files list keeps, so reopening from there runs the same
// reuse check.
//
// The conversion runs on a worker thread; the UI thread shows a modal
// progress dialog with Cancel meanwhile and never blocks. The worker touches
// nothing but the source and the cache folder; the caller opens the result
// on the UI thread afterwards.
#ifndef LEXORA_GUI_DICTIONARY_IMPORT_H_
#define LEXORA_GUI_DICTIONARY_IMPORT_H_

#include <QString>

#include <string>
#include <vector>

#include "gui/dialogs/file_browser.h"
#include "import/import_dictionary.h"

class QWidget;

namespace lexora {

// True when `path` names an existing file of another dictionary format that
// is opened through a converted copy. A ".zd" file is never one, whatever it
// holds.
bool is_foreign_dictionary(const QString& path);

// The type lines of the "Open..." browser: every kind of dictionary the
// program opens (the line in force when the browser opens), our own
// dictionaries, one line per other format, and all files.
QString dictionary_type_text();

// The browser's dictionary icon for our own and the other formats' files.
std::vector<ExtensionIcon> dictionary_extension_icons();

enum class ImportOutcome {
  kReady,      // *dictionary_path holds the converted (or reused) dictionary
  kCancelled,  // the user cancelled; nothing half-written is left, nothing shown
  kFailed,     // the source could not be converted; the user has been told
};

// Converts `source` into `cache_folder` (normally
// import::import_cache_folder()), or finds its earlier conversion there,
// while a modal progress dialog over `parent` shows how far it is and offers
// Cancel. A failure is reported in a message box naming the file and the
// place in it (line or byte offset). `options` carries the conversion's
// settings; progress callbacks set in it run on the worker thread, before
// the dialog's own cancel check, and may cancel as well.
//
// Returns only when the worker has ended, so nothing outlives the call. When
// the application is told to quit meanwhile, the conversion is cancelled.
ImportOutcome import_for_opening(QWidget* parent, const QString& source,
                                 const std::string& cache_folder,
                                 const import::ImportOptions& options, QString* dictionary_path);

}  // namespace lexora

#endif  // LEXORA_GUI_DICTIONARY_IMPORT_H_
