#include "gui/article/article_view.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextFragment>

namespace lexora {
namespace {

QString plain(QString text) {
  text.replace(QChar::ParagraphSeparator, u'\n');
  text.replace(QChar::LineSeparator, u'\n');
  text.replace(QChar::Nbsp, u' ');
  return text;
}

}  // namespace

ArticleView::ArticleView(QWidget* parent) : QTextBrowser(parent) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setFrameShape(QFrame::NoFrame);
  setTextInteractionFlags(Qt::TextBrowserInteraction);
}

void ArticleView::set_page(const QString& html) {
  raw_names_.clear();
  answers_.clear();
  picture_requests_ = 0;
  clear();
  setHtml(html);
  // Lay the whole page out now, so that a scroll position can be restored.
  (void)document()->documentLayout()->documentSize();
  set_scroll_position(0);
}

int ArticleView::scroll_position() const {
  return verticalScrollBar()->value();
}

void ArticleView::set_scroll_position(int position) {
  verticalScrollBar()->setValue(position);
}

void ArticleView::set_background(const QColor& colour) {
  QPalette palette = this->palette();
  if (colour.isValid()) {
    palette.setColor(QPalette::Base, colour);
  } else {
    palette.setColor(QPalette::Base, style()->standardPalette().color(QPalette::Base));
  }
  setPalette(palette);
}

QString ArticleView::selected_plain_text() const {
  return plain(textCursor().selection().toPlainText());
}

QString ArticleView::page_plain_text() const {
  return plain(document()->toPlainText());
}

QMimeData* ArticleView::createMimeDataFromSelection() const {
  // Ctrl+C and dragging put plain text with real line ends.
  auto* mime = new QMimeData;
  mime->setText(selected_plain_text());
  return mime;
}

QString ArticleView::link_at(const QPoint& pos) const {
  // anchorAt gives the href exactly as the page wrote it.
  return anchorAt(pos);
}

void ArticleView::index_picture_names() {
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      if (!format.isImageFormat()) continue;
      const QString raw = format.toImageFormat().name();
      raw_names_.insert(QUrl(raw), raw);
    }
  }
}

QVariant ArticleView::loadResource(int type, const QUrl& name) {
  // Style sheets, loose files and anything else the page may name are
  // never read.
  if (type != QTextDocument::ImageResource || !provider_) return {};
  auto raw = raw_names_.constFind(name);
  if (raw == raw_names_.constEnd()) {
    index_picture_names();
    raw = raw_names_.constFind(name);
    if (raw == raw_names_.constEnd()) return {};
  }
  if (const auto answer = answers_.constFind(*raw); answer != answers_.constEnd()) return *answer;
  ++picture_requests_;
  QVariant result;
  if (std::optional<QImage> image = provider_(*raw)) result = QVariant(std::move(*image));
  answers_.insert(*raw, result);
  return result;
}

void ArticleView::mousePressEvent(QMouseEvent* event) {
  pressed_link_ =
      event->button() == Qt::LeftButton ? link_at(event->position().toPoint()) : QString();
  QTextBrowser::mousePressEvent(event);
}

void ArticleView::mouseReleaseEvent(QMouseEvent* event) {
  const QString target =
      event->button() == Qt::LeftButton ? link_at(event->position().toPoint()) : QString();
  const bool tapped = !target.isEmpty() && target == pressed_link_ && !textCursor().hasSelection();
  pressed_link_.clear();
  QTextBrowser::mouseReleaseEvent(event);
  if (tapped) emit link_activated(target);
}

void ArticleView::page_by_arrow(int key) {
  QScrollBar* bar = verticalScrollBar();
  const int position = bar->value();
  if (key == Qt::Key_Up && position <= bar->minimum()) {
    emit step_requested(-1);
  } else if (key == Qt::Key_Down && position >= bar->maximum()) {
    emit step_requested(+1);
  } else {
    bar->setValue(key == Qt::Key_Up ? position - bar->pageStep() : position + bar->pageStep());
  }
}

void ArticleView::keyPressEvent(QKeyEvent* event) {
  if (arrow_redefine_ && event->modifiers() == Qt::NoModifier) {
    switch (event->key()) {
      case Qt::Key_Left:
        emit back_requested();
        return;
      case Qt::Key_Right:
        emit forward_requested();
        return;
      case Qt::Key_Up:
      case Qt::Key_Down:
        page_by_arrow(event->key());
        return;
      default:
        break;
    }
  }
  // Enter on a link chosen with Tab follows it, with its raw target.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection() && cursor.charFormat().isAnchor()) {
      emit link_activated(cursor.charFormat().anchorHref());
      return;
    }
  }
  // The view keeps no history of its own: Back and Forward are the window's.
  if ((event->modifiers() & Qt::AltModifier) &&
      (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
    event->ignore();
    return;
  }
  QTextBrowser::keyPressEvent(event);
}

}  // namespace lexora
