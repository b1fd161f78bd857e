#include "gui/article/article_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>

namespace lexora {

ArticleView::ArticleView(QWidget* parent) : QTextBrowser(parent) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setFrameShape(QFrame::NoFrame);
  setTextInteractionFlags(Qt::TextBrowserInteraction);
}

void ArticleView::set_page(const QString& html) {
  clear();
  setHtml(html);
  set_scroll_position(0);
}

int ArticleView::scroll_position() const { return verticalScrollBar()->value(); }

void ArticleView::set_scroll_position(int position) { verticalScrollBar()->setValue(position); }

void ArticleView::set_background(const QColor& colour) {
  QPalette palette = this->palette();
  if (colour.isValid()) {
    palette.setColor(QPalette::Base, colour);
  } else {
    palette.setColor(QPalette::Base, style()->standardPalette().color(QPalette::Base));
  }
  setPalette(palette);
}

QString ArticleView::link_at(const QPoint& pos) const {
  // anchorAt gives the href exactly as the page wrote it.
  return anchorAt(pos);
}

void ArticleView::mousePressEvent(QMouseEvent* event) {
  pressed_link_ = event->button() == Qt::LeftButton ? link_at(event->position().toPoint())
                                                    : QString();
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

void ArticleView::keyPressEvent(QKeyEvent* event) {
  // Enter on a link chosen with Tab follows it, with its raw target.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection() && cursor.charFormat().isAnchor()) {
      emit link_activated(cursor.charFormat().anchorHref());
      return;
    }
  }
  QTextBrowser::keyPressEvent(event);
}

}  // namespace lexora
