// The article window: a modal window over the main window that shows one
// word's article page at a time. Esc (the Back key) closes it, F6 and F7
// (the volume keys) step to the previous and next word. Closing it moves the
// word list to the shown word and hands that headword back to the word box.
//
// Link taps arrive in dispatch_link(); picture requests, history, zoom and
// sound hook in there and in show_article().
#ifndef LEXORA_GUI_ARTICLE_ARTICLE_WINDOW_H_
#define LEXORA_GUI_ARTICLE_ARTICLE_WINDOW_H_

#include <QDialog>
#include <QString>

#include <cstdint>

#include "render/page.h"
#include "gui/dialogs/soft_key_dialog.h"

class QPushButton;
class QMenu;

namespace lexora {

class ArticleHost;
class ArticleView;

// Commands of the article window.
namespace article_cmd {
inline constexpr int kClose = 1;
inline constexpr int kCancel = 2;
inline constexpr int kMenuButton = 102;
inline constexpr int kCopy = 40033;
inline constexpr int kSelectAll = 40092;
}  // namespace article_cmd

class ArticleWindow : public SoftKeyDialog {
  Q_OBJECT
 public:
  // Builds the window over `owner` and shows the host's current word. The
  // view is not made when the dictionary has no words.
  ArticleWindow(ArticleHost& host, QWidget* owner);
  ~ArticleWindow() override;

  // Runs the window modally; returns the closing command. The hand-back to
  // the word box happens before it returns.
  int run();

  // Shows the article of word `word`, restoring scroll `position`. `record`
  // says whether the page enters the history.
  void show_article(std::uint32_t word, int position, bool record);
  // Makes the window show the host's current word (the clipboard search
  // reaching an open window).
  void show_current_word();
  // Closes with command `id` (1 OK or 2 Cancel): the word list moves to the
  // current word.
  void close_with(int id);
  // Reacts to a tap on a link with raw target `target`.
  void dispatch_link(const QString& target);
  void on_command(int id);
  // Ends the window with `result` (the window going away without the close
  // command, as when the clipboard search finds no exact word).
  void done(int result) override;

  ArticleView* view() const { return view_; }
  // The text the word box receives when the window goes away.
  const QString& hand_back_text() const { return hand_back_; }
  void set_hand_back_text(const QString& text) { hand_back_ = text; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // The window's own close button counts as Cancel.
  void reject() override;

 private:
  void step(int delta);
  void finish();

  ArticleHost& host_;
  ArticleView* view_ = nullptr;
  QMenu* menu_ = nullptr;
  QString hand_back_;
  PageScratch scratch_;
  bool finished_ = false;
};

}  // namespace lexora

#endif  // LEXORA_GUI_ARTICLE_ARTICLE_WINDOW_H_
