// The program's own file browser: a dialog with a list of folders and files,
// a file-name box and a file-type box. It returns the path the user chose and
// never opens or creates anything itself.
//
// Paths use "/" separators; an absolute folder starts with "/" and the root
// folder is the empty string, so "<folder>/<name>" always forms a path and
// cutting a folder at its last "/" walks up to the root. No folder carries a
// trailing "/".
//
// One object per use: construct it, optionally add extension icons, run
// browse_open() or browse_save(), read result(). The same steps that the
// dialog's controls trigger are public (activate_item, confirm_choice,
// select_type_line, ...) so that callers and tests can drive it without
// running its modal loop; start() prepares it for that.
//
// Esc cancels the dialog, as in every desktop dialog (Backspace edits the
// name box).
#ifndef LEXORA_GUI_DIALOGS_FILE_BROWSER_H_
#define LEXORA_GUI_DIALOGS_FILE_BROWSER_H_

#include <QDialog>
#include <QIcon>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <vector>

#include "gui/dialogs/soft_key_dialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace lexora {

// Control and command ids of the browser dialog.
namespace file_browser_ids {
inline constexpr int kList = 1007;
inline constexpr int kFileLabel = 1008;
inline constexpr int kFileName = 1009;
inline constexpr int kTypeLabel = 1010;
inline constexpr int kTypeBox = 1011;
inline constexpr int kFolderLabel = 1013;
inline constexpr int kCommandOk = 1;
inline constexpr int kCommandCancel = 2;
}  // namespace file_browser_ids

// Icon resource ids used by the browser.
inline constexpr int kIconFolder = 119;
inline constexpr int kIconFile = 134;
inline constexpr int kIconDictionary = 136;

// Image indices of list items: folders and ".." use 0, other files 1, a file
// whose extension matches row k of the extension icons uses 2 + k.
inline constexpr int kImageFolder = 0;
inline constexpr int kImageFile = 1;
inline constexpr int kImageFirstExtension = 2;

// An extra icon for files with extension `ext` (without the dot, at most 9
// characters; compared without regard to case). `icon` is a resource id.
struct ExtensionIcon {
  QString ext;
  int icon = 0;
};

// The icon with resource id `id` from the program's resources (empty when the
// resources hold no such icon).
QIcon resource_icon(int id);

class FileBrowser : public SoftKeyDialog {
  Q_OBJECT
 public:
  explicit FileBrowser(QWidget* owner = nullptr);
  ~FileBrowser() override;

  void add_extension_icons(const ExtensionIcon* rows, std::size_t count);

  // Run the dialog modally. True when the user confirmed a choice; the path
  // is then result(). False on Cancel.
  bool browse_open(const QString& start_folder, const QString& type_text);
  bool browse_save(const QString& start_folder, const QString& type_text, bool confirm_overwrite);

  // Prepares the dialog as the runs do (folder, type lines, mode, listing)
  // without entering its modal loop.
  void start(const QString& start_folder, const QString& type_text, bool save_mode,
             bool confirm_overwrite);

  const QString& result() const { return result_; }
  const QString& folder() const { return folder_; }
  const QString& pattern() const { return pattern_; }
  bool save_mode() const { return save_mode_; }

  // The listing as shown: item texts and their image indices.
  QStringList item_texts() const;
  int item_image(int row) const;

  // Enters a folder, goes up for "..", or chooses a file (which runs
  // confirm_choice at once).
  void activate_item(int row);
  // The OK step: builds result() from the folder and the file-name box (a
  // typed name that starts with "/" is a whole path, "~" stands for the home
  // folder), appends the pattern's extension (its first glob's, when it has
  // several) when the name has none, asks before replacing an existing file
  // in save mode, and closes the dialog with success. With an empty name box
  // it activates the second list item.
  void confirm_choice();
  void set_file_name(const QString& name);
  QString file_name() const;
  // Makes type line `index` the one in force and lists the folder again.
  void select_type_line(int index);
  // Lists `folder` again.
  void fill_listing();

  // The pattern inside the first "(" and the last ")" of `line`; `current`
  // when the line lacks either.
  static QString extract_pattern(const QString& line, const QString& current);

 private:
  void build_images();
  int image_for_file(const QString& name) const;
  void add_item(const QString& text, int image);
  void on_item_activated(QListWidgetItem* item);
  void post_refresh();
  QString path_of_typed_name(const QString& name) const;

  QString type_text_;
  QString pattern_;
  QString result_;
  QString folder_;
  bool save_mode_ = false;
  bool confirm_overwrite_ = false;
  std::vector<ExtensionIcon> extension_icons_;
  std::vector<QIcon> images_;

  QListWidget* list_ = nullptr;
  QLineEdit* name_box_ = nullptr;
  QComboBox* type_box_ = nullptr;
  QLabel* folder_label_ = nullptr;
};

}  // namespace lexora

#endif  // LEXORA_GUI_DIALOGS_FILE_BROWSER_H_
