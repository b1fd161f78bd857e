#include "gui/dialogs/file_browser.h"

#include <QApplication>
#include <QCollator>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/qt_util.h"
#include "platform/messages.h"
#include "resources/string_table.h"

namespace lexora {
namespace {

constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kMaxExtension = 9;
constexpr char16_t kSeparator = u'/';
const QString kParent = QStringLiteral("..");
const QString kAllFiles = QStringLiteral("*.*");
const QString kHome = QStringLiteral("~");

// The root folder is the empty string; the file system calls it "/".
QString system_path(const QString& folder) {
  return folder.isEmpty() ? QStringLiteral("/") : folder;
}

// Locale order, case ignored, punctuation counted.
void sort_names(QStringList* names) {
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  collator.setIgnorePunctuation(false);
  std::sort(names->begin(), names->end(),
            [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
}

// A pattern holds one glob or several separated by blanks or ";"
// ("*.dsl *.dsl.dz").
QStringList split_pattern(const QString& pattern) {
  static const QRegularExpression separators(QStringLiteral("[\\s;]+"));
  return pattern.split(separators, Qt::SkipEmptyParts);
}

// The globs to list; "*.*" means every file, also those without a dot.
QStringList globs_of(const QString& pattern) {
  QStringList globs = split_pattern(pattern);
  for (QString& glob : globs)
    if (glob == kAllFiles) glob = QStringLiteral("*");
  return globs;
}

}  // namespace

QIcon resource_icon(int id) {
  return QIcon(QStringLiteral(":/icons/%1.png").arg(id));
}

FileBrowser::FileBrowser(QWidget* owner) : SoftKeyDialog(owner) {
  setModal(true);
  auto* grid = new QGridLayout;
  auto* file_label = new QLabel(QStringLiteral("File"), this);
  name_box_ = new QLineEdit(this);
  auto* type_label = new QLabel(QStringLiteral("Type"), this);
  type_box_ = new QComboBox(this);
  folder_label_ = new QLabel(this);
  folder_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  list_ = new QListWidget(this);
  list_->setViewMode(QListView::ListMode);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setUniformItemSizes(true);
  file_label->setBuddy(name_box_);
  type_label->setBuddy(type_box_);
  grid->addWidget(file_label, 0, 0);
  grid->addWidget(name_box_, 0, 1);
  grid->addWidget(type_label, 1, 0);
  grid->addWidget(type_box_, 1, 1);
  grid->addWidget(folder_label_, 2, 0, 1, 2);
  grid->addWidget(list_, 3, 0, 1, 2);
  grid->setRowStretch(3, 1);

  auto* outer = new QVBoxLayout(this);
  outer->addLayout(grid, 1);
  // The soft-key bar: "Ok" on the left, "Cancel" on the right.
  const SoftKeys keys =
      add_soft_keys(outer, qt_text(str::kOkSoftKey), qt_text(str::kCancelSoftKey));

  connect(keys.left, &QPushButton::clicked, this, &FileBrowser::confirm_choice);
  connect(keys.right, &QPushButton::clicked, this, &QDialog::reject);
  connect(list_, &QListWidget::itemActivated, this, &FileBrowser::on_item_activated);
  connect(name_box_, &QLineEdit::returnPressed, this, &FileBrowser::confirm_choice);
  connect(type_box_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) select_type_line(index);
  });
}

FileBrowser::~FileBrowser() = default;

void FileBrowser::add_extension_icons(const ExtensionIcon* rows, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    extension_icons_.push_back({rows[i].ext.left(kMaxExtension), rows[i].icon});
  }
}

QString FileBrowser::extract_pattern(const QString& line, const QString& current) {
  const qsizetype open = line.indexOf(u'(');
  const qsizetype close = line.lastIndexOf(u')');
  if (open < 0 || close < 0) return current;
  // A ")" before the "(" leaves nothing between them.
  if (close <= open) return QString();
  return line.mid(open + 1, close - open - 1);
}

void FileBrowser::start(const QString& start_folder, const QString& type_text, bool save_mode,
                        bool confirm_overwrite) {
  folder_ = start_folder;
  while (folder_.endsWith(kSeparator)) folder_.chop(1);
  result_.clear();
  type_text_ = type_text;
  save_mode_ = save_mode;
  confirm_overwrite_ = confirm_overwrite;

  setWindowTitle(qt_text(str::kSaveFile));
  build_images();

  const QStringList lines = type_text_.split(u'\n');
  {
    const QSignalBlocker blocker(type_box_);
    type_box_->clear();
    type_box_->addItems(lines);
    type_box_->setCurrentIndex(0);
  }
  pattern_ = extract_pattern(lines.value(0), pattern_);
  fill_listing();
  if (save_mode_) {
    name_box_->setFocus();
  } else {
    list_->setFocus();
  }
}

bool FileBrowser::browse_open(const QString& start_folder, const QString& type_text) {
  start(start_folder, type_text, false, false);
  cover_owner();
  return exec() == QDialog::Accepted;
}

bool FileBrowser::browse_save(const QString& start_folder, const QString& type_text,
                              bool confirm_overwrite) {
  start(start_folder, type_text, true, confirm_overwrite);
  cover_owner();
  return exec() == QDialog::Accepted;
}

void FileBrowser::build_images() {
  images_.clear();
  images_.push_back(resource_icon(kIconFolder));
  images_.push_back(resource_icon(kIconFile));
  for (const ExtensionIcon& row : extension_icons_) images_.push_back(resource_icon(row.icon));
  const int size = style()->pixelMetric(QStyle::PM_SmallIconSize);
  list_->setIconSize(QSize(size, size));
}

int FileBrowser::image_for_file(const QString& name) const {
  const qsizetype dot = name.lastIndexOf(u'.');
  if (dot < 0 || dot + 1 >= name.size()) return kImageFile;
  const QString ext = name.mid(dot + 1);
  for (std::size_t k = 0; k < extension_icons_.size(); ++k) {
    if (ext.compare(extension_icons_[k].ext, Qt::CaseInsensitive) == 0) {
      return kImageFirstExtension + static_cast<int>(k);
    }
  }
  return kImageFile;
}

void FileBrowser::add_item(const QString& text, int image) {
  auto* item = new QListWidgetItem(text, list_);
  item->setData(kImageRole, image);
  if (image >= 0 && static_cast<std::size_t>(image) < images_.size()) {
    item->setIcon(images_[static_cast<std::size_t>(image)]);
  }
}

void FileBrowser::fill_listing() {
  folder_label_->setText(folder_);
  const WaitCursor wait;
  list_->clear();
  if (!folder_.isEmpty()) add_item(kParent, kImageFolder);

  const QDir dir(system_path(folder_));
  // Hidden folders count; device nodes and sockets (QDir's "system" entries)
  // are files, not folders.
  QStringList folders =
      dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::NoSort);
  sort_names(&folders);
  for (const QString& name : folders) add_item(name, kImageFolder);

  const QStringList globs = globs_of(pattern_);
  QStringList files;
  if (!globs.isEmpty()) {
    files = dir.entryList(globs, QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
  }
  sort_names(&files);
  for (const QString& name : files) add_item(name, image_for_file(name));
  if (list_->count() > 0) list_->setCurrentRow(0);
}

QStringList FileBrowser::item_texts() const {
  QStringList texts;
  for (int i = 0; i < list_->count(); ++i) texts << list_->item(i)->text();
  return texts;
}

int FileBrowser::item_image(int row) const {
  const QListWidgetItem* item = list_->item(row);
  return item ? item->data(kImageRole).toInt() : -1;
}

void FileBrowser::on_item_activated(QListWidgetItem* item) {
  if (item) activate_item(list_->row(item));
}

void FileBrowser::activate_item(int row) {
  const QListWidgetItem* item = list_->item(row);
  if (!item) return;
  const QString text = item->text();
  if (text == kParent) {
    const qsizetype cut = folder_.lastIndexOf(kSeparator);
    folder_ = cut < 0 ? QString() : folder_.left(cut);
  } else {
    const QString path = folder_ + kSeparator + text;
    if (!QFileInfo(path).isDir()) {
      set_file_name(text);
      confirm_choice();
      return;
    }
    folder_ = path;
  }
  if (!folder_.isEmpty() && !QFileInfo(folder_).isDir()) return;
  post_refresh();
}

void FileBrowser::post_refresh() {
  // The list is refilled after the activation that asked for it has ended.
  QMetaObject::invokeMethod(this, &FileBrowser::fill_listing, Qt::QueuedConnection);
}

void FileBrowser::set_file_name(const QString& name) {
  name_box_->setText(name);
}

QString FileBrowser::file_name() const {
  return name_box_->text();
}

QString FileBrowser::path_of_typed_name(const QString& name) const {
  // A typed path that starts at the root or at the home folder stands for
  // itself; anything else names an entry of the folder shown.
  if (name == kHome || name.startsWith(kHome + kSeparator))
    return QDir::homePath() + name.mid(kHome.size());
  if (name.startsWith(kSeparator)) return name;
  return folder_ + kSeparator + name;
}

void FileBrowser::confirm_choice() {
  const QString name = name_box_->text();
  if (name.isEmpty()) {
    // The item after the first: with ".." first, the first folder or file.
    if (list_->count() > 1) activate_item(1);
    return;
  }
  result_ = path_of_typed_name(name);
  const qsizetype dot = result_.lastIndexOf(u'.');
  const bool name_has_dot = dot >= 0 && result_.indexOf(kSeparator, dot) < 0;
  // A pattern of several globs lends the first one's extension.
  const QString first_glob = split_pattern(pattern_).value(0, pattern_);
  if (first_glob != kAllFiles && !name_has_dot) result_ += first_glob.mid(1);
  if (save_mode_ && confirm_overwrite_ && QFileInfo::exists(result_)) {
    Message message;
    message.text = string_text(str::kReplaceExistingFile);
    message.caption = string_text(str::kSaveFile);
    message.icon = MessageIcon::kQuestion;
    message.buttons = MessageButtons::kYesNo;
    message.owner = MessageOwner::kWindow;
    message.owner_window = static_cast<QWidget*>(this);
    if (show_message(message) != MessageResult::kYes) return;
  }
  accept();
}

void FileBrowser::select_type_line(int index) {
  pattern_ = extract_pattern(type_box_->itemText(index), pattern_);
  if (type_box_->currentIndex() != index) {
    const QSignalBlocker blocker(type_box_);
    type_box_->setCurrentIndex(index);
  }
  fill_listing();
}

}  // namespace lexora
