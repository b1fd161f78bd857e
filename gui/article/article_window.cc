#include "gui/article/article_window.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/dictionary.h"
#include "gui/article/article_host.h"
#include "gui/article/article_view.h"
#include "resources/string_table.h"
#include "gui/qt_util.h"

namespace lexora {
namespace {

QColor qt_colour(std::uint32_t colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

}  // namespace

ArticleWindow::ArticleWindow(ArticleHost& host, QWidget* owner)
    : SoftKeyDialog(owner), host_(host) {
  setWindowTitle(QStringLiteral("Article"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  if (host_.dictionary().word_count() > 0) {
    view_ = new ArticleView(this);
    view_->setFont(host_.main_font());
    if (host_.colours_in_effect()) view_->set_background(qt_colour(host_.background_colour()));
    connect(view_, &ArticleView::link_activated, this, &ArticleWindow::dispatch_link);
    layout->addWidget(view_, 1);
  } else {
    layout->addStretch(1);
  }

  // The soft-key bar: "Ok" closes, "Menu" holds the view's commands.
  const SoftKeys keys = add_soft_keys(layout, qt_text(str::kOkSoftKey), QStringLiteral("Menu"));
  keys.bar->setContentsMargins(6, 4, 6, 4);
  menu_ = new QMenu(this);
  menu_->addAction(QStringLiteral("Copy"), this, [this] { on_command(article_cmd::kCopy); });
  keys.right->setMenu(menu_);
  connect(keys.left, &QPushButton::clicked, this, [this] { close_with(article_cmd::kClose); });

  cover_owner();
  if (view_) {
    view_->setFocus();
    show_article(host_.current_word_index(), 0, true);
  }
}

ArticleWindow::~ArticleWindow() { finish(); }

int ArticleWindow::run() {
  const int result = exec();
  finish();
  return result;
}

void ArticleWindow::show_article(std::uint32_t word, int position, bool record) {
  (void)record;  // the history records pages once it exists
  if (!view_) return;
  const WaitCursor wait;
  const std::u16string_view page =
      render_article_at(host_.dictionary(), word, host_.page_style(), &scratch_);
  view_->set_page(to_qstring(page));
  view_->set_scroll_position(position);
}

void ArticleWindow::show_current_word() { show_article(host_.current_word_index(), 0, true); }

void ArticleWindow::step(int delta) {
  const std::uint32_t current = host_.current_word_index();
  const std::uint32_t count = host_.dictionary().word_count();
  if (delta < 0 && current > 0) {
    host_.set_current_word_index(current - 1);
  } else if (delta > 0 && count > 0 && current < count - 1) {
    host_.set_current_word_index(current + 1);
  } else {
    return;
  }
  show_article(host_.current_word_index(), 0, true);
}

void ArticleWindow::close_with(int id) {
  host_.show_word_list_at(host_.current_word_index());
  done(id);
}

void ArticleWindow::done(int result) {
  QDialog::done(result);
  finish();
}

void ArticleWindow::reject() { close_with(article_cmd::kCancel); }

void ArticleWindow::finish() {
  // The window goes away once: the word box gets the hand-back text.
  if (finished_) return;
  finished_ = true;
  if (hand_back_.isEmpty()) {
    if (auto word = host_.dictionary().word_at(host_.current_word_index())) {
      hand_back_ = to_qstring(*word);
    }
  }
  host_.hand_back(hand_back_);
}

void ArticleWindow::dispatch_link(const QString& target) {
  // Word links, abbreviations, sounds, pictures and addresses are handled
  // here once their parts exist; until then an anchor link scrolls the page.
  if (view_ && target.size() >= 2 && target.startsWith(u'#')) {
    view_->scrollToAnchor(target.mid(1));
  }
}

void ArticleWindow::on_command(int id) {
  switch (id) {
    case article_cmd::kClose:
    case article_cmd::kCancel:
      close_with(id);
      break;
    case article_cmd::kCopy:
      if (view_) {
        view_->selectAll();
        const QString text = view_->textCursor().selectedText();
        if (!text.isEmpty()) {
          // Paragraph separators of the document become line feeds.
          QString plain = text;
          plain.replace(QChar::ParagraphSeparator, u'\n');
          QGuiApplication::clipboard()->setText(plain);
        }
      }
      break;
    case article_cmd::kSelectAll:
      if (view_) view_->selectAll();
      break;
    default:
      break;
  }
}

void ArticleWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      close_with(article_cmd::kClose);
      return;
    case Qt::Key_F6:
      step(-1);
      return;
    case Qt::Key_F7:
      step(+1);
      return;
    default:
      break;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace lexora
