// The article window: a modal window over the main window that shows one
// page at a time in the article view, with the bottom bar "Ok" (close) and
// "Menu" (Font size, Back, Forward, Copy, Add for leaning in MR).
//
// Keys: Esc closes; F6 and F7 step to the previous and next word; Alt+Left
// and Alt+Right go Back and Forward; Ctrl+F finds the selected word; Ctrl+A
// selects all; Ctrl+C copies the selection; Ctrl+plus, Ctrl+minus and
// Ctrl+0 change the text size; Ctrl+Q closes the window and the program. With
// "Arrow redefine" Left/Right are Back/Forward and Up/Down page through the
// article and on to the neighbouring words.
//
// Every decision (links, commands, history, media, flash cards) is the
// ArticleController's; this class is its widgets and its ArticleSurface.
#ifndef LEXORA_GUI_ARTICLE_ARTICLE_WINDOW_H_
#define LEXORA_GUI_ARTICLE_ARTICLE_WINDOW_H_

#include <QString>

#include <array>
#include <cstdint>
#include <memory>

#include "gui/article/article_controller.h"
#include "gui/dialogs/soft_key_dialog.h"

class QAction;
class QMenu;

namespace lexora {

class ArticleHost;
class ArticleView;

// The view's text size at zoom level `level`, in points: the desktop's
// general font size scaled, so every level stays readable at any dpi.
double zoom_point_size(int level, double general_point_size);

class ArticleWindow : public SoftKeyDialog, private ArticleSurface {
  Q_OBJECT
 public:
  // Builds the window over `owner` and shows the host's current word. The
  // view is not made when the dictionary has no words.
  ArticleWindow(ArticleHost& host, QWidget* owner);
  ~ArticleWindow() override;

  // Runs the window modally; returns the closing command. The hand-back to
  // the word box happens before it returns.
  int run();

  // Shows the article of word `word`, restoring scroll `position`.
  void show_article(std::uint32_t word, int position, bool record);
  // Makes the window show the host's current word (the clipboard search
  // reaching an open window).
  void show_current_word();
  // Closes with command `id` (1 OK or 2 Cancel).
  void close_with(int id);
  // A tap on a link with raw target `target`.
  void dispatch_link(const QString& target);
  // A menu command or key.
  void on_command(int id);
  // Ends the window with `result` (the window going away without the close
  // command, as when the clipboard search finds no exact word).
  void done(int result) override;

  ArticleView* view() const { return view_; }
  QMenu* menu() const { return menu_; }
  // The action of a menu command (zoom levels, Back, Forward, Copy, Add for
  // leaning in MR), or null.
  QAction* action(int command) const;
  ArticleController& controller() { return *controller_; }
  // The text the word box receives when the window goes away.
  const QString& hand_back_text() const { return hand_back_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // The window's own close button counts as Cancel.
  void reject() override;

 private:
  // ArticleSurface.
  void show_page(std::u16string_view html) override;
  std::int32_t scroll_position() const override;
  void set_scroll_position(std::int32_t position) override;
  void scroll_to_anchor(std::u16string_view name) override;
  std::u16string selected_text() const override;
  void apply_zoom(int level) override;
  void set_history_state(bool can_go_back, bool can_go_forward) override;
  void open_address(std::u16string_view address) override;
  void open_file(const std::string& path) override;
  std::uint32_t current_word_index() const override;
  void set_current_word_index(std::uint32_t index) override;
  void set_hand_back_text(std::u16string_view text) override;
  void end_window(int command) override;
  const void* message_owner() const override;

  void make_view();
  void make_menu(QWidget* menu_button);
  void make_shortcuts();
  void copy_page();
  void step_zoom(int delta);
  void quit_program();
  void finish();

  ArticleHost& host_;
  ArticleView* view_ = nullptr;
  QMenu* menu_ = nullptr;
  std::array<QAction*, kZoomLevelCount> zoom_actions_{};
  QAction* back_ = nullptr;
  QAction* forward_ = nullptr;
  QAction* copy_ = nullptr;
  QAction* add_for_learning_ = nullptr;
  std::unique_ptr<ArticleController> controller_;
  QString hand_back_;
  bool finished_ = false;
};

}  // namespace lexora

#endif  // LEXORA_GUI_ARTICLE_ARTICLE_WINDOW_H_
