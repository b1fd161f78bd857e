#include "gui/article/article_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

#include "engine/dictionary.h"
#include "gui/article/article_host.h"
#include "gui/article/article_view.h"
#include "gui/article/desktop_services.h"
#include "gui/article/picture_request.h"
#include "model/settings.h"
#include "resources/string_table.h"
#include "sound/sound.h"

namespace lexora {
namespace {

// Text sizes of the six levels, as a share of the desktop's general font.
constexpr std::array<double, kZoomLevelCount> kZoomScales = {0.8, 0.9, 1.0, 1.2, 1.45, 1.8};
constexpr double kFallbackPointSize = 10.0;
// Labels of the "Font size" menu, Smallest to Largest.
constexpr std::array<const char*, kZoomLevelCount> kZoomLabels = {"Smallest", "Small",  "Medium",
                                                                  "Large",    "Larger", "Largest"};

QColor qt_colour(std::uint32_t colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

QString qt_text(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QString qt_string(int id) {
  return QString::fromUtf8(string_text(id));
}

// Sets the wait cursor for the life of the object.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// A decoded picture as the view's image (32-bit, blue-green-red-alpha in
// memory, the layout of QImage::Format_ARGB32 on this platform).
std::optional<QImage> qt_picture(const PictureAnswer& answer) {
  switch (answer.kind) {
    case PictureAnswerKind::kPlaceholder:
      return std::nullopt;
    case PictureAnswerKind::kEmpty: {
      QImage empty(1, 1, QImage::Format_ARGB32);
      empty.fill(Qt::transparent);
      return empty;
    }
    case PictureAnswerKind::kBitmap:
      break;
  }
  const images::Bitmap& bitmap = answer.bitmap;
  QImage image(static_cast<int>(bitmap.width), static_cast<int>(bitmap.height),
               QImage::Format_ARGB32);
  if (image.isNull()) return std::nullopt;
  for (std::uint32_t y = 0; y < bitmap.height; ++y) {
    std::memcpy(image.scanLine(static_cast<int>(y)), bitmap.pixel(0, y), bitmap.stride());
  }
  return image;
}

ArticleOptions options_from(ArticleHost& host) {
  const Settings& settings = host.settings();
  ArticleOptions options;
  options.page_style = host.page_style();
  options.flash_card_database = flash_card_database_path(
      QString::fromStdString(settings.g_mr_dict_path).toStdU16String(),
      QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdU16String());
  return options;
}

}  // namespace

double zoom_point_size(int level, double general_point_size) {
  const double base = general_point_size > 0 ? general_point_size : kFallbackPointSize;
  return base * kZoomScales[static_cast<std::size_t>(valid_zoom_level(level))];
}

ArticleWindow::ArticleWindow(ArticleHost& host, QWidget* owner)
    : SoftKeyDialog(owner), host_(host) {
  setWindowTitle(QStringLiteral("Article"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  if (host_.dictionary().word_count() > 0) {
    make_view();
    layout->addWidget(view_, 1);
  } else {
    layout->addStretch(1);
  }

  // The bottom bar: "Ok" closes, "Menu" holds the view's commands.
  const SoftKeys keys = add_soft_keys(layout, qt_string(str::kOkSoftKey), QStringLiteral("Menu"));
  keys.bar->setContentsMargins(6, 4, 6, 4);
  make_menu(keys.right);
  connect(keys.left, &QPushButton::clicked, this, [this] { close_with(article_cmd::kClose); });
  make_shortcuts();

  cover_owner();
  controller_ = std::make_unique<ArticleController>(
      host_.dictionary(), host_.sound_player(), host_.article_session(),
      static_cast<ArticleSurface&>(*this), options_from(host_));
  if (view_) view_->setFocus();
  controller_->open(host_.settings().text_size);
}

ArticleWindow::~ArticleWindow() {
  finish();
}

void ArticleWindow::make_view() {
  view_ = new ArticleView(this);
  QFont font = host_.main_font();
  font.setPointSizeF(zoom_point_size(kDefaultZoomLevel, 0));
  view_->setFont(font);
  if (host_.colours_in_effect()) view_->set_background(qt_colour(host_.background_colour()));
  view_->set_arrow_redefine(host_.settings().arrow_redefine != 0);
  view_->set_picture_provider([this](const QString& name) {
    return qt_picture(answer_picture_request(host_.dictionary(), name.toStdU16String()));
  });
  connect(view_, &ArticleView::link_activated, this, &ArticleWindow::dispatch_link);
  connect(view_, &ArticleView::back_requested, this, [this] { on_command(article_cmd::kBack); });
  connect(view_, &ArticleView::forward_requested, this,
          [this] { on_command(article_cmd::kForward); });
  connect(view_, &ArticleView::step_requested, this, [this](int delta) {
    if (controller_) controller_->step(delta);
  });
}

void ArticleWindow::make_menu(QWidget* menu_button) {
  menu_ = new QMenu(this);
  auto add = [this](QMenu* menu, const QString& label, int id) {
    QAction* action = menu->addAction(label);
    connect(action, &QAction::triggered, this, [this, id] { on_command(id); });
    return action;
  };
  QMenu* sizes = menu_->addMenu(QStringLiteral("Font size"));
  auto* group = new QActionGroup(this);
  for (int level = 0; level < kZoomLevelCount; ++level) {
    QAction* action = add(sizes, QString::fromLatin1(kZoomLabels[static_cast<std::size_t>(level)]),
                          zoom_command_for_level(level));
    action->setCheckable(true);
    group->addAction(action);
    zoom_actions_[static_cast<std::size_t>(level)] = action;
  }
  back_ = add(menu_, qt_string(str::kBack), article_cmd::kBack);
  forward_ = add(menu_, qt_string(str::kForward), article_cmd::kForward);
  copy_ = add(menu_, QStringLiteral("Copy"), article_cmd::kCopy);
  add_for_learning_ = add(menu_, qt_string(str::kAddForLearning), article_cmd::kAddForLearning);
  back_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  forward_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
  // The shortcuts work while the menu is closed.
  addActions({back_, forward_});
  back_->setEnabled(false);
  forward_->setEnabled(false);
  if (!view_) {
    for (QAction* action : menu_->actions()) action->setEnabled(false);
  }
  static_cast<QPushButton*>(menu_button)->setMenu(menu_);
}

void ArticleWindow::make_shortcuts() {
  auto shortcut = [this](const QKeySequence& keys, std::function<void()> run) {
    auto* action = new QAction(this);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, std::move(run));
    addAction(action);
  };
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_F), [this] { on_command(article_cmd::kFind); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { step_zoom(+1); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { step_zoom(+1); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { step_zoom(-1); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), [this] {
    if (controller_ && view_) controller_->set_zoom_level(kDefaultZoomLevel);
  });
  // The handheld's digit 8 ended the program; a desktop keeps digits for
  // typing, so the program ends with Ctrl+Q, as in the main window.
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { quit_program(); });
}

int ArticleWindow::run() {
  const int result = exec();
  finish();
  return result;
}

QAction* ArticleWindow::action(int command) const {
  if (const int level = zoom_level_for_command(command); level >= 0) {
    return zoom_actions_[static_cast<std::size_t>(level)];
  }
  switch (command) {
    case article_cmd::kBack:
      return back_;
    case article_cmd::kForward:
      return forward_;
    case article_cmd::kCopy:
      return copy_;
    case article_cmd::kAddForLearning:
      return add_for_learning_;
    default:
      return nullptr;
  }
}

void ArticleWindow::show_article(std::uint32_t word, int position, bool record) {
  if (view_) controller_->show_article(word, position, record);
}

void ArticleWindow::show_current_word() {
  show_article(host_.current_word_index(), 0, true);
}

void ArticleWindow::close_with(int id) {
  if (finished_) return;
  controller_->close(id);
}

void ArticleWindow::dispatch_link(const QString& target) {
  if (view_) controller_->dispatch_link(target.toStdU16String());
}

void ArticleWindow::on_command(int id) {
  switch (id) {
    case article_cmd::kCopy:
      copy_page();
      return;
    case article_cmd::kSelectAll:
      if (view_) view_->selectAll();
      return;
    case article_cmd::kClose:
    case article_cmd::kCancel:
      close_with(id);
      return;
    default:
      break;
  }
  if (view_) controller_->on_command(id);
}

void ArticleWindow::copy_page() {
  if (!view_) return;
  view_->selectAll();
  const QString text = view_->selected_plain_text();
  if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

void ArticleWindow::step_zoom(int delta) {
  if (!view_) return;
  controller_->set_zoom_level(
      std::clamp(controller_->zoom_level() + delta, 0, kZoomLevelCount - 1));
}

void ArticleWindow::quit_program() {
  QWidget* main_window = parentWidget() ? parentWidget()->window() : nullptr;
  close_with(article_cmd::kClose);
  if (main_window) QMetaObject::invokeMethod(main_window, &QWidget::close, Qt::QueuedConnection);
}

void ArticleWindow::done(int result) {
  QDialog::done(result);
  finish();
}

void ArticleWindow::reject() {
  close_with(article_cmd::kCancel);
}

void ArticleWindow::finish() {
  // The window goes away once: the sound stops, the word box gets the
  // hand-back text.
  if (finished_) return;
  finished_ = true;
  if (controller_) controller_->window_gone();
  if (hand_back_.isEmpty()) {
    if (auto word = host_.dictionary().word_at(host_.current_word_index())) {
      hand_back_ = qt_text(*word);
    }
  }
  host_.hand_back(hand_back_);
}

void ArticleWindow::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() == Qt::NoModifier) {
    switch (event->key()) {
      case Qt::Key_Escape:
        close_with(article_cmd::kClose);
        return;
      case Qt::Key_F6:
        if (view_) controller_->step(-1);
        return;
      case Qt::Key_F7:
        if (view_) controller_->step(+1);
        return;
      default:
        break;
    }
  }
  QDialog::keyPressEvent(event);
}

// --- ArticleSurface ---

void ArticleWindow::show_page(std::u16string_view html) {
  const WaitCursor wait;
  view_->set_page(qt_text(html));
}

std::int32_t ArticleWindow::scroll_position() const {
  return view_->scroll_position();
}

void ArticleWindow::set_scroll_position(std::int32_t position) {
  view_->set_scroll_position(position);
}

void ArticleWindow::scroll_to_anchor(std::u16string_view name) {
  view_->scrollToAnchor(qt_text(name));
}

std::u16string ArticleWindow::selected_text() const {
  return view_->selected_plain_text().toStdU16String();
}

void ArticleWindow::apply_zoom(int level) {
  zoom_actions_[static_cast<std::size_t>(level)]->setChecked(true);
  host_.settings().text_size = level;
  if (!view_) return;
  QFont font = view_->font();
  font.setPointSizeF(
      zoom_point_size(level, QFontDatabase::systemFont(QFontDatabase::GeneralFont).pointSizeF()));
  view_->setFont(font);
}

void ArticleWindow::set_history_state(bool can_go_back, bool can_go_forward) {
  back_->setEnabled(can_go_back);
  forward_->setEnabled(can_go_forward);
}

void ArticleWindow::open_address(std::u16string_view address) {
  desktop_open_address(qt_text(address));
}

void ArticleWindow::open_file(const std::string& path) {
  desktop_open_file(QString::fromStdString(path));
}

std::uint32_t ArticleWindow::current_word_index() const {
  return host_.current_word_index();
}

void ArticleWindow::set_current_word_index(std::uint32_t index) {
  host_.set_current_word_index(index);
}

void ArticleWindow::set_hand_back_text(std::u16string_view text) {
  hand_back_ = qt_text(text);
}

void ArticleWindow::end_window(int command) {
  host_.show_word_list_at(host_.current_word_index());
  done(command);
}

const void* ArticleWindow::message_owner() const {
  return static_cast<const QWidget*>(this);
}

}  // namespace lexora
