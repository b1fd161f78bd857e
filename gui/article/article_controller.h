// The article window's decisions, apart from its widgets: what a link target
// means and which call it makes, what each command and step does, the
// history, the zoom level, the pending flash-card translations and the
// packed files. The window (article_window.h) forwards clicks, keys and menu
// commands here and implements ArticleSurface for what the controller needs
// done on screen and on the desktop. No Qt, so it is tested without widgets.
//
// Messages go through platform/messages with the window as owner.
#ifndef LEXORA_GUI_ARTICLE_ARTICLE_CONTROLLER_H_
#define LEXORA_GUI_ARTICLE_ARTICLE_CONTROLLER_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "flashcards/flash_card_export.h"
#include "gui/article/navigation_history.h"
#include "render/page.h"

namespace lexora {

class Dictionary;
class SoundPlayer;

// Command ids of the article window.
namespace article_cmd {
inline constexpr int kClose = 1;
inline constexpr int kCancel = 2;
inline constexpr int kMenuButton = 102;
inline constexpr int kSmallest = 40064;
inline constexpr int kSmall = 40065;
inline constexpr int kMedium = 40066;
inline constexpr int kLarge = 40067;
inline constexpr int kLarger = 40030;
inline constexpr int kLargest = 40068;
inline constexpr int kFontSizeMenu = 40069;
inline constexpr int kFind = 40022;
inline constexpr int kCopy = 40033;
inline constexpr int kSelectAll = 40092;
inline constexpr int kBack = 40103;
inline constexpr int kForward = 40104;
inline constexpr int kAddForLearning = 40122;
}  // namespace article_cmd

// Zoom levels 0 (Smallest) to 5 (Largest); "Text size" holds one.
inline constexpr int kZoomLevelCount = 6;
inline constexpr int kDefaultZoomLevel = 2;
// The level of a "Font size" command, or -1.
int zoom_level_for_command(int command);
int zoom_command_for_level(int level);
// A stored level brought into range (a damaged setting gives the default).
int valid_zoom_level(int level);

// State the article window keeps for the whole program, between openings.
struct ArticleSession {
  NavigationHistory history;
  PendingTranslations pending;
  // A failed flash-card export has been reported and not followed by a
  // successful one: later failures keep quiet.
  bool flash_card_failure_told = false;
};

// What the controller needs from the window, the view, the main window and
// the desktop.
class ArticleSurface {
 public:
  virtual ~ArticleSurface() = default;

  // The view.
  virtual void show_page(std::u16string_view html) = 0;
  virtual std::int32_t scroll_position() const = 0;
  virtual void set_scroll_position(std::int32_t position) = 0;
  virtual void scroll_to_anchor(std::u16string_view name) = 0;
  // The text the user has selected, as plain text; empty when none.
  virtual std::u16string selected_text() const = 0;
  // Sets the view's text size for `level`, checks its menu item and stores
  // it as "Text size".
  virtual void apply_zoom(int level) = 0;
  virtual void set_history_state(bool can_go_back, bool can_go_forward) = 0;

  // The desktop: a web or mail address, and a file written for the user.
  virtual void open_address(std::u16string_view address) = 0;
  virtual void open_file(const std::string& path) = 0;

  // The main window's shared word index, the word box hand-back, and the
  // end of the window (the word list moves to the current word first).
  virtual std::uint32_t current_word_index() const = 0;
  virtual void set_current_word_index(std::uint32_t index) = 0;
  virtual void set_hand_back_text(std::u16string_view text) = 0;
  virtual void end_window(int command) = 0;
  // The owner of message boxes (opaque, for the message sink).
  virtual const void* message_owner() const = 0;
};

struct ArticleOptions {
  PageStyle page_style;
  std::u16string flash_card_database;  // "g_mr_dict_path"
  std::string cardbank_library = kCardbankLibrary;
  std::string media_folder_root;  // where packed files go; empty: the temporary location
};

class ArticleController {
 public:
  // All references must outlive the controller.
  ArticleController(Dictionary& dictionary, SoundPlayer& sound, ArticleSession& session,
                    ArticleSurface& surface, ArticleOptions options);

  // The window opened: an empty history, the zoom level `text_size`, and the
  // current word's article.
  void open(int text_size);

  // Shows word `word`'s article scrolled to `position`; `record` enters it
  // in the history. Pending translations are written out first. The shown
  // word becomes the current word index.
  void show_article(std::uint32_t word, std::int32_t position, bool record);
  // Shows a page made of `text` (a picture), recorded as a placeholder.
  void show_text_page(std::u16string_view text);

  // A click on a link with this raw target.
  void dispatch_link(std::u16string_view target);
  // A menu command or key; false when the window handles it itself (Copy,
  // Select all) or it is unknown.
  bool on_command(int command);
  // Previous (-1) or next (+1) word, when there is one.
  void step(int delta);
  // The window is closing with command 1 or 2: pending translations are
  // written, the sound stops, the window ends.
  void close(int command);
  // The window goes away by any path: a playing sound stops.
  void window_gone();

  int zoom_level() const { return zoom_level_; }
  void set_zoom_level(int level);

  const NavigationHistory& history() const { return session_.history; }

 private:
  void export_pending();
  void refresh_history_state();
  void toggle_sound(std::u16string_view name);
  void show_abbreviation(std::u16string_view key);
  void follow_word_link(std::u16string_view word);
  void find_selection();
  void add_for_learning();
  void open_packed_file(std::u16string_view entry);
  void go_back();
  void go_forward();

  Dictionary& dictionary_;
  SoundPlayer& sound_;
  ArticleSession& session_;
  ArticleSurface& surface_;
  ArticleOptions options_;
  PageBuffer page_;
  int zoom_level_ = kDefaultZoomLevel;
};

}  // namespace lexora

#endif  // LEXORA_GUI_ARTICLE_ARTICLE_CONTROLLER_H_
