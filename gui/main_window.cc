// The main window's construction, layout, menus, commands and shutdown.
// Word search, scrolling and the clipboard are in word_search.cc; opening
// dictionaries in dictionary_open.cc.
#include "gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>

#include <algorithm>

#include "engine/dictionary.h"
#include "gui/article/article_controller.h"
#include "gui/article/article_window.h"
#include "gui/command_ids.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/qt_util.h"
#include "gui/word_controls.h"
#include "model/colour_profile.h"
#include "model/colour_table.h"
#include "model/recent_files.h"
#include "model/settings.h"
#include "platform/utf.h"
#include "resources/string_table.h"
#include "sound/sound.h"

namespace lexora {
namespace {

constexpr char kTranscriptionFont[] = "transcr.ttf";
// Word box height at 96 dpi, and the width of the list scroll bar.
constexpr int kWordBoxHeight = 20;
constexpr int kScrollWidth = 4;
constexpr int kMargin = 2;

QColor qt_colour(ColourRef colour) {
  return QColor(red_of(colour), green_of(colour), blue_of(colour));
}

}  // namespace

MainWindow::MainWindow(ShellObjects objects, QWidget* parent)
    : QMainWindow(parent), objects_(objects), article_session_(std::make_unique<ArticleSession>()) {
  setWindowTitle(qt_text(str::kBaseTitle));
  setWindowIcon(QIcon(QStringLiteral(":/icons/101.png")));
  setCentralWidget(new QWidget(this));
  centralWidget()->setAutoFillBackground(true);
  // The controls follow the client area, whose size the window's layout sets.
  centralWidget()->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == centralWidget() && event->type() == QEvent::Resize && started_) relayout();
  return QMainWindow::eventFilter(watched, event);
}

MainWindow::~MainWindow() {
  shut_down();
}

SoundPlayer& MainWindow::sound_player() {
  if (!sound_player_) sound_player_ = std::make_unique<SoundPlayer>();
  return *sound_player_;
}

int MainWindow::scaled(int pixels) const {
  return scale_to_dpi(pixels, dpi_);
}

void MainWindow::start(const QString& path, bool clipboard_switch) {
  clipboard_switch_ = clipboard_switch;
  // The first resolution read serves for the whole run.
  static const int first_dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  dpi_ = first_dpi;

  program_folder_ = QCoreApplication::applicationDirPath();
  // A missing transcription font is not an error.
  transcription_font_id_ =
      QFontDatabase::addApplicationFont(program_folder_ + u'/' + QLatin1String(kTranscriptionFont));
  load_colour_profile(
      (program_folder_ + u'/' +
       QString::fromUtf8(kColourProfileFileName.data(), kColourProfileFileName.size()))
          .toStdString(),
      &objects_.colours);

  create_menus();
  // Read again: an older instance closed at start-up saved on its way out.
  load_global_settings();
  rebuild_recent_menu();
  // Place the client area now, so that the controls are laid out for it
  // before the window is first shown.
  if (layout()) layout()->activate();
  create_controls();
  started_ = true;

  QString first = path;
  if (first.isEmpty()) first = newest_recent_path();
  if (first.isEmpty()) {
    post_command(cmd::kOpen);
    return;
  }
  if (!open_dictionary_file(first)) {
    post_command(cmd::kOpen);
  } else if (objects_.settings.find_cb != 0 || clipboard_switch_) {
    QMetaObject::invokeMethod(this, &MainWindow::clipboard_search, Qt::QueuedConnection);
  }
}

void MainWindow::create_menus() {
  auto add = [this](QMenu* menu, const QString& label, int id) {
    QAction* action = menu->addAction(label);
    connect(action, &QAction::triggered, this, [this, id] { on_command(id); });
    actions_[id] = action;
    return action;
  };
  dictionary_menu_ = menuBar()->addMenu(QStringLiteral("&Dictionary"));
  main_menu_ = menuBar()->addMenu(QStringLiteral("&Menu"));
  add(main_menu_, QStringLiteral("Open..."), cmd::kOpen);
  add(main_menu_, QStringLiteral("Create Link..."), cmd::kCreateLink);
  add(main_menu_, QStringLiteral("Search in articles..."), cmd::kSearchArticles)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  main_menu_->addSeparator();
  add(main_menu_, QStringLiteral("Copy"), cmd::kCopy);
  add(main_menu_, QStringLiteral("Paste"), cmd::kPaste);
  main_menu_->addSeparator();
  add(main_menu_, QStringLiteral("Options..."), cmd::kOptions);
  add(main_menu_, QStringLiteral("About..."), cmd::kAbout);
  main_menu_->addSeparator();
  add(main_menu_, QStringLiteral("Exit"), cmd::kExit);
  add(main_menu_, QStringLiteral("Minimize"), cmd::kMinimize);
  for (int id : {cmd::kOptions, cmd::kCreateLink}) {
    actions_[id]->setEnabled(command_handlers_.count(id) > 0);
  }

  // The accelerators are translated before any control sees the key: Ctrl+A
  // opens the About box and Ctrl+Q closes the program whichever child has
  // the focus (the word box gives them up, see WordBox).
  auto* about = new QShortcut(kAboutAccelerator, this);
  about->setContext(Qt::WindowShortcut);
  connect(about, &QShortcut::activated, this, [this] { on_command(cmd::kAbout); });
  auto* quit = new QShortcut(kCloseAccelerator, this);
  quit->setContext(Qt::WindowShortcut);
  connect(quit, &QShortcut::activated, this, [this] { on_command(cmd::kOk); });
}

void MainWindow::set_command_handler(int id, std::function<void()> handler) {
  command_handlers_[id] = std::move(handler);
  if (auto it = actions_.find(id); it != actions_.end()) it->second->setEnabled(true);
}

void MainWindow::create_controls() {
  QWidget* client = centralWidget();
  word_box_ = new WordBox(client);
  word_list_ = new WordList(client);
  scroll_bar_ = new QScrollBar(Qt::Vertical, client);
  scroll_bar_->setRange(0, 0);
  scroll_bar_->setFocusPolicy(Qt::NoFocus);

  register_extra_font();
  make_main_font();

  connect(word_box_, &QLineEdit::textChanged, this, [this] {
    if (edit_tracking_) typing_lookup();
  });
  connect(word_box_, &WordBox::scroll_requested, this, &MainWindow::on_scroll);
  connect(word_box_, &WordBox::enter_pressed, this, &MainWindow::on_word_box_enter);
  connect(word_box_, &WordBox::command_posted, this, &MainWindow::post_command);
  connect(word_list_, &WordList::scroll_requested, this, &MainWindow::on_scroll);
  connect(word_list_, &WordList::enter_pressed, this, &MainWindow::on_word_list_enter);
  connect(word_list_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { on_double_click(word_list_->row(item)); });
  connect(scroll_bar_, &QScrollBar::actionTriggered, this, [this](int action) {
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub:
        on_scroll(scroll::kLineUp);
        break;
      case QAbstractSlider::SliderSingleStepAdd:
        on_scroll(scroll::kLineDown);
        break;
      case QAbstractSlider::SliderPageStepSub:
        on_scroll(scroll::kPageUp);
        break;
      case QAbstractSlider::SliderPageStepAdd:
        on_scroll(scroll::kPageDown);
        break;
      case QAbstractSlider::SliderToMinimum:
        on_scroll(scroll::kTop);
        break;
      case QAbstractSlider::SliderToMaximum:
        on_scroll(scroll::kBottom);
        break;
      case QAbstractSlider::SliderMove:
        on_scroll(scroll::kThumbTrack);
        break;
      default:
        break;
    }
  });

  // The scroll bar's width is chosen once; every layout keeps it.
  const int scroll_width =
      std::max(scaled(kScrollWidth), style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  scroll_bar_->resize(scroll_width, scroll_bar_->height());
  word_box_->move(kMargin, kMargin);
  place_controls();
  apply_colours();
  word_box_->setFocus();
}

void MainWindow::register_extra_font() {
  const QString path = QString::fromStdString(objects_.settings.font_res);
  if (path.isEmpty()) return;
  extra_font_id_ = QFontDatabase::addApplicationFont(path);
  // A font file that cannot be added is forgotten (and saved so at exit).
  if (extra_font_id_ < 0) objects_.settings.font_res.clear();
}

void MainWindow::make_main_font() {
  QFont font(QString::fromStdString(objects_.settings.main_font));
  font.setPixelSize(
      std::clamp(objects_.settings.main_font_size, kMinMainFontPixels, kMaxMainFontPixels));
  if (!QFontDatabase::families().contains(font.family(), Qt::CaseInsensitive)) {
    // No such face: the system font's face takes its place.
    const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    objects_.settings.main_font = system.family().toStdString();
    font.setFamily(system.family());
  }
  main_font_ = font;
  if (word_box_) word_box_->setFont(main_font_);
  if (word_list_) word_list_->setFont(main_font_);
}

QFont MainWindow::main_font() const {
  QFont font = QApplication::font();
  font.setFamily(main_font_.family());
  return font;
}

void MainWindow::apply_font_settings() {
  make_main_font();
  relayout();
}

void MainWindow::apply_colour_settings() {
  apply_colours();
}

void MainWindow::place_controls() {
  // The word box on top, the list below it, the scroll bar at its right edge.
  QWidget* client = centralWidget();
  const int box_height = std::max(scaled(kWordBoxHeight), word_box_->sizeHint().height());
  word_box_->setGeometry(word_box_->x(), word_box_->y(), client->width() - 2 * kMargin, box_height);
  const int s = client->width() - 2 * kMargin - scroll_bar_->width();
  const int top = box_height + 2 * kMargin;
  const int height = std::max(0, client->height() - box_height - 2 * kMargin);
  // The list reaches one pixel under the scroll bar.
  word_list_->setGeometry(kMargin, top, s + scale_to_dpi(1, dpi_), height);
  scroll_bar_->setGeometry(s + kMargin, top, scroll_bar_->width(), height);
}

void MainWindow::relayout() {
  if (!word_box_) return;
  place_controls();

  const int line = std::max(1, word_list_->line_height());
  // The list's inside, from its own geometry (its viewport follows later).
  const int lines = word_list_->contentsRect().height() / line;
  page_size_ = static_cast<int>(
      std::min<std::uint32_t>(static_cast<std::uint32_t>(std::max(lines, 0)), word_count_));
  set_scroll_range();
  refill();
}

void MainWindow::set_scroll_range() {
  // The bar spans 0 … word count with a page of page size; its last
  // position shows the last page.
  const QSignalBlocker blocker(scroll_bar_);
  const int last = std::max(0, static_cast<int>(word_count_) - page_size_ + 1);
  scroll_bar_->setRange(0, word_count_ == 0 ? 0 : last);
  scroll_bar_->setPageStep(std::max(1, page_size_));
  scroll_bar_->setSingleStep(1);
  scroll_bar_->setValue(top_index_);
}

void MainWindow::set_scroll_position() {
  const QSignalBlocker blocker(scroll_bar_);
  scroll_bar_->setSliderPosition(top_index_);
  scroll_bar_->setValue(top_index_);
}

void MainWindow::refill() {
  if (!word_list_) return;
  QStringList words;
  Dictionary& dict = objects_.dictionary;
  for (int i = 0; i <= page_size_; ++i) {
    const auto word = dict.word_at(static_cast<std::uint32_t>(top_index_ + i));
    if (!word) break;
    words << to_qstring(*word);
  }
  word_list_->set_words(words);
}

void MainWindow::on_command(int id) {
  switch (id) {
    case cmd::kOk:
      // Ctrl+Q: the window is deactivated, then closed.
      close();
      return;
    case cmd::kExit:
      shut_down();
      close();
      return;
    case cmd::kCopy:
      copy();
      return;
    case cmd::kPaste:
      paste();
      return;
    case cmd::kAbout: {
      AboutDialog about(objects_.dictionary, this);
      about.exec();
      return;
    }
    case cmd::kOpen:
      browse_and_open(this);
      return;
    case cmd::kMinimize:
      showMinimized();
      return;
    case cmd::kSearchArticles:
      open_search_window();
      return;
    default:
      break;
  }
  if (auto it = command_handlers_.find(id); it != command_handlers_.end()) {
    it->second();
    return;
  }
  if (is_recent_command(id)) {
    const QString path = recent_path_for(id);
    if (!open_dictionary_file(path)) post_command(cmd::kOpen);
  }
}

void MainWindow::post_command(int id) {
  QMetaObject::invokeMethod(
      this, [this, id] { on_command(id); }, Qt::QueuedConnection);
}

bool MainWindow::colours_in_effect() const {
  return lexora::colours_in_effect(objects_.colours, objects_.settings.g_use_colors_profile,
                                   objects_.settings.g_use_lumira_profile);
}

std::uint32_t MainWindow::background_colour() const {
  return objects_.colours.background();
}

PageStyle MainWindow::page_style() const {
  PageStyle style;
  style.font_face = QString::fromStdString(objects_.settings.main_font).toStdU16String();
  style.colours_in_effect = colours_in_effect();
  style.text_colour = objects_.colours.text();
  style.background_colour = objects_.colours.background();
  style.heading_colour = objects_.colours.heading();
  style.link_colour = objects_.colours.link();
  return style;
}

void MainWindow::apply_colours() {
  QPalette window_palette = QApplication::palette();
  QPalette control_palette = QApplication::palette();
  if (colours_in_effect()) {
    const QColor background = qt_colour(objects_.colours.background());
    const QColor text = qt_colour(objects_.colours.text());
    window_palette.setColor(QPalette::Window, background);
    control_palette.setColor(QPalette::Base, background);
    control_palette.setColor(QPalette::Text, text);
    // The style draws the frames of the word box and the list in a darker
    // shade of the window colour, which on a dark profile's background
    // vanishes until the box has the focus. The text colour stands out from
    // the background in every colour set, so the frames are shaded from it.
    control_palette.setColor(QPalette::Window, text);
  }
  centralWidget()->setPalette(window_palette);
  if (word_box_) word_box_->setPalette(control_palette);
  if (word_list_) word_list_->setPalette(control_palette);
  update();
}

bool MainWindow::reader_colours(std::uint32_t kind, const std::vector<std::uint8_t>& bytes) {
  const bool handled =
      handle_reader_colours(&objects_.colours, objects_.settings.g_use_lumira_profile, kind, bytes);
  if (handled) apply_colours();
  return handled;
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // Coming back to the front refills the list, as activation always has.
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && started_) refill();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  shut_down();
  event->accept();
}

void MainWindow::shut_down() {
  if (shut_down_ || !started_) return;
  shut_down_ = true;
  if (transcription_font_id_ >= 0) QFontDatabase::removeApplicationFont(transcription_font_id_);
  if (extra_font_id_ >= 0) QFontDatabase::removeApplicationFont(extra_font_id_);
  transcription_font_id_ = extra_font_id_ = -1;
  save_global_settings();
  if (!current_path_.isEmpty()) save_dictionary_settings_for(current_path_);
}

}  // namespace lexora
