// The main window's word box and word list. They turn keys into the main
// window's scroll codes and commands; the main window does the work.
#ifndef LEXORA_GUI_WORD_CONTROLS_H_
#define LEXORA_GUI_WORD_CONTROLS_H_

#include <QLineEdit>
#include <QListWidget>

namespace lexora {

// Single-line word entry. Up and Down scroll the list, Enter opens the
// typed word's article; Enter, Up and Down never reach the text itself. Its
// context menu offers "Copy" (greyed without a selection) and "Paste"
// (greyed without clipboard text), posted to the main window as commands.
class WordBox : public QLineEdit {
  Q_OBJECT
 public:
  explicit WordBox(QWidget* parent = nullptr);

 signals:
  void scroll_requested(int code);
  void enter_pressed();
  void command_posted(int id);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
};

// The word list: shows page size + 1 headwords from the top index, without
// a scroll bar of its own (the main window's scroll bar spans the whole
// dictionary). Up and Down scroll, Enter opens the top word, every other key
// is swallowed; the wheel scrolls by lines.
class WordList : public QListWidget {
  Q_OBJECT
 public:
  explicit WordList(QWidget* parent = nullptr);

  // Height of one line for the current font.
  int line_height() const;
  // Shows `words` (reusing the existing items).
  void set_words(const QStringList& words);

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
