#include "gui/word_controls.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QWheelEvent>

#include "gui/command_ids.h"

namespace lexora {
namespace {

bool is_enter(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// One wheel notch (120 units) scrolls this many lines.
constexpr int kLinesPerNotch = 3;
constexpr int kNotch = 120;

}  // namespace

bool is_main_window_accelerator(const QKeyEvent& event) {
  const QKeySequence pressed(event.keyCombination());
  return pressed == kAboutAccelerator || pressed == kCloseAccelerator;
}

WordBox::WordBox(QWidget* parent) : QLineEdit(parent) {}

bool WordBox::event(QEvent* event) {
  // Left unclaimed, the key goes to the window's shortcut instead.
  if (event->type() == QEvent::ShortcutOverride &&
      is_main_window_accelerator(*static_cast<QKeyEvent*>(event))) {
    event->ignore();
    return true;
  }
  return QLineEdit::event(event);
}

void WordBox::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
      emit scroll_requested(scroll::kLineUp);
      return;
    case Qt::Key_Down:
      emit scroll_requested(scroll::kLineDown);
      return;
    case Qt::Key_PageUp:
      emit scroll_requested(scroll::kPageUp);
      return;
    case Qt::Key_PageDown:
      emit scroll_requested(scroll::kPageDown);
      return;
    default:
      break;
  }
  if (is_enter(event->key())) {
    emit enter_pressed();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void WordBox::keyReleaseEvent(QKeyEvent* event) {
  const int key = event->key();
  if (is_enter(key) || key == Qt::Key_Up || key == Qt::Key_Down) return;
  QLineEdit::keyReleaseEvent(event);
}

void WordBox::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction(QStringLiteral("Copy"));
  QAction* paste = menu.addAction(QStringLiteral("Paste"));
  copy->setEnabled(hasSelectedText());
  paste->setEnabled(!QApplication::clipboard()->text().isEmpty());
  QAction* chosen = menu.exec(event->globalPos());
  if (chosen == copy) emit command_posted(cmd::kCopy);
  if (chosen == paste) emit command_posted(cmd::kPaste);
}

WordList::WordList(QWidget* parent) : QListWidget(parent) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setTextElideMode(Qt::ElideRight);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
}

int WordList::line_height() const {
  return fontMetrics().height() + 2;
}

void WordList::set_words(const QStringList& words) {
  const int lines = static_cast<int>(words.size());
  const QSize hint(0, line_height());
  while (count() > lines) delete takeItem(count() - 1);
  for (int i = 0; i < lines; ++i) {
    QListWidgetItem* line = item(i);
    if (!line) {
      line = new QListWidgetItem(this);
      line->setSizeHint(hint);
    }
    if (line->text() != words[i]) line->setText(words[i]);
  }
  clearSelection();
  setCurrentRow(-1);
  scrollToTop();
}

int WordList::highlighted_row() const {
  const QList<QListWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? -1 : row(selected.front());
}

void WordList::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
      emit scroll_requested(scroll::kLineUp);
      break;
    case Qt::Key_Down:
      emit scroll_requested(scroll::kLineDown);
      break;
    case Qt::Key_PageUp:
      emit scroll_requested(scroll::kPageUp);
      break;
    case Qt::Key_PageDown:
      emit scroll_requested(scroll::kPageDown);
      break;
    default:
      if (is_enter(event->key())) emit enter_pressed();
      break;
  }
  // Every key stops here: the list has no keyboard navigation of its own.
  event->accept();
}

void WordList::wheelEvent(QWheelEvent* event) {
  wheel_remainder_ += event->angleDelta().y();
  while (wheel_remainder_ >= kNotch) {
    wheel_remainder_ -= kNotch;
    for (int i = 0; i < kLinesPerNotch; ++i) emit scroll_requested(scroll::kLineUp);
  }
  while (wheel_remainder_ <= -kNotch) {
    wheel_remainder_ += kNotch;
    for (int i = 0; i < kLinesPerNotch; ++i) emit scroll_requested(scroll::kLineDown);
  }
  event->accept();
}

void WordList::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    const QSize hint(0, line_height());
    for (int i = 0; i < count(); ++i) item(i)->setSizeHint(hint);
  }
  QListWidget::changeEvent(event);
}

}  // namespace lexora
