// The main window's word box and word list. They turn keys into the main
// window's scroll codes and commands; the main window does the work.
#ifndef LEXORA_GUI_WORD_CONTROLS_H_
#define LEXORA_GUI_WORD_CONTROLS_H_

#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>

class QKeyEvent;

namespace lexora {

// The main window's accelerators: About... and close.
inline const QKeySequence kAboutAccelerator{Qt::CTRL | Qt::Key_A};
inline const QKeySequence kCloseAccelerator{Qt::CTRL | Qt::Key_Q};
bool is_main_window_accelerator(const QKeyEvent& event);

// Single-line word entry. Up and Down scroll the list, Enter opens the
// typed word's article; Enter, Up and Down never reach the text itself. Its
// context menu offers "Copy" (greyed without a selection) and "Paste"
// (greyed without clipboard text), posted to the main window as commands.
// The main window's accelerators win over the box's own use of the keys
// (Ctrl+A does not select all here).
class WordBox : public QLineEdit {
  Q_OBJECT
 public:
  explicit WordBox(QWidget* parent = nullptr);

 signals:
  void scroll_requested(int code);
  void enter_pressed();
  void command_posted(int id);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
};

// The word list: shows page size + 1 headwords from the top index, without
// a scroll bar of its own (the main window's scroll bar spans the whole
// dictionary). Up and Down scroll, Enter opens the highlighted word (the top
// word when none is), every other key is swallowed; the wheel scrolls by
// lines.
class WordList : public QListWidget {
  Q_OBJECT
 public:
  explicit WordList(QWidget* parent = nullptr);

  // Height of one line for the current font.
  int line_height() const;
  // Shows `words` (reusing the existing items). Like a reset of the list,
  // this drops the highlight: the lines now hold other words.
  void set_words(const QStringList& words);
  // The highlighted line, or -1.
  int highlighted_row() const;

 signals:
  void scroll_requested(int code);
  void enter_pressed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  int wheel_remainder_ = 0;
};

}  // namespace lexora

#endif  // LEXORA_GUI_WORD_CONTROLS_H_
