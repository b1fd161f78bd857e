// The main window: the word box, the word list of page size + 1 headwords
// from the top index, and a separate scroll bar over the whole dictionary;
// the menu bar with the dictionary menu and the "Menu" commands; opening
// dictionaries; the clipboard search; and the article window on the chosen
// word. One per process.
//
// The window works on process-wide objects it does not own (the dictionary,
// the settings, the recent-files list, the colour table); they must outlive
// it. Everything runs on the UI thread.
#ifndef LEXORA_GUI_MAIN_WINDOW_H_
#define LEXORA_GUI_MAIN_WINDOW_H_

#include <QFont>
#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "gui/article/article_host.h"

class QMenu;
class QScrollBar;

namespace lexora {

class ArticleWindow;
class ColourTable;
class Dictionary;
class RecentFiles;
class RecentMenu;
class Registry;
class SearchWindow;
struct SearchChoice;
struct Settings;
class SoundPlayer;
class WordBox;
class WordList;

// The window title for a dictionary path: "Lexora", two blanks, and the
// path's file-name part.
QString window_title_for(const QString& path);

struct ShellObjects {
  Dictionary& dictionary;
  Settings& settings;
  RecentFiles& recent;
  ColourTable& colours;
  Registry& registry;
};

class MainWindow : public QMainWindow, public ArticleHost {
  Q_OBJECT
 public:
  explicit MainWindow(ShellObjects objects, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The creation steps once the window exists: the transcription font, the
  // colour profile, the menus, the settings, the controls and the first
  // dictionary (`path`, else the newest recent file, else the browser).
  // `clipboard_switch`: the program was started with "-c".
  void start(const QString& path, bool clipboard_switch);

  // Opens `path` into the window; on failure reports "Can't open file %s",
  // drops the path from the recent files and returns false.
  bool open_dictionary_file(const QString& path);
  // The "Open..." command: the file browser until a file opens or the user
  // cancels.
  bool browse_and_open(QWidget* parent);

  // A menu, accelerator or posted command.
  void on_command(int id);
  // Posts a command, to run after the current event.
  void post_command(int id);
  // A scroll code of the list scroll bar or the Up/Down keys.
  void on_scroll(int code);
  // The hand-over message: search the clipboard text.
  void clipboard_search();
  // Refills the word list from the top index.
  void refill();
  // Lays the controls out for the client size and font, then refills.
  void relayout();
  // The destruction steps (settings and the dictionary's position saved,
  // fonts removed); runs once, however the program ends.
  void shut_down();
  // The reader's colour message; true when it had the right form.
  bool reader_colours(std::uint32_t kind, const std::vector<std::uint8_t>& bytes);

  // After the font settings changed (the Font page): the main font is made
  // anew from "MainFont" and "MainFont Size" and the controls laid out.
  void apply_font_settings();
  // After the colour table or its settings changed: recolours the controls.
  void apply_colour_settings();

  // Registers what a command of another part does (Options, Create Link);
  // without one, its menu item is greyed.
  void set_command_handler(int id, std::function<void()> handler);

  // State, for the article window and tests.
  std::int32_t top_index() const { return top_index_; }
  int page_size() const { return page_size_; }
  std::uint32_t word_count() const { return word_count_; }
  const QString& current_path() const { return current_path_; }
  QString title_text() const { return windowTitle(); }
  WordBox* word_box() const { return word_box_; }
  WordList* word_list() const { return word_list_; }
  QScrollBar* scroll_bar() const { return scroll_bar_; }
  QMenu* dictionary_menu() const { return dictionary_menu_; }
  ArticleWindow* article_window() const { return article_window_; }
  int dpi() const { return dpi_; }

  // ArticleHost.
  Dictionary& dictionary() override { return objects_.dictionary; }
  std::uint32_t current_word_index() const override { return current_word_index_; }
  void set_current_word_index(std::uint32_t index) override { current_word_index_ = index; }
  void show_word_list_at(std::uint32_t index) override;
  void hand_back(const QString& text) override;
  PageStyle page_style() const override;
  // The face of the main font at the application's own size: the article
  // text's size is the article window's zoom level, not "MainFont Size".
  QFont main_font() const override;
  bool colours_in_effect() const override;
  std::uint32_t background_colour() const override;
  Settings& settings() override { return objects_.settings; }
  ArticleSession& article_session() override { return *article_session_; }
  SoundPlayer& sound_player() override;

 signals:
  // The window title changed (a dictionary opened).
  void title_changed(const QString& title);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Word box, list and scroll bar for the client size and font.
  void place_controls();
  void create_menus();
  void create_controls();
  void make_main_font();
  void apply_colours();
  int scaled(int pixels) const;
  void set_scroll_range();
  void set_scroll_position();
  void typing_lookup();
  std::uint32_t two_pass_lookup(const QString& text, bool* exact_out);
  void on_word_box_enter();
  void on_word_list_enter();
  void on_double_click(int row);
  void run_article_window();
  void after_article_window();
  // "Search in articles..." and a result chosen there (main_window_search.cc).
  void open_search_window();
  void open_search_result(const SearchChoice& choice);
  void copy();
  void paste();
  void set_word_box_text(const QString& text);
  void register_extra_font();

  // The settings and the recent-files list, as this window uses them
  // (main_window_settings.cc).
  void load_global_settings();
  void save_global_settings();
  void load_dictionary_settings_for(const QString& path);
  void save_dictionary_settings_for(const QString& path);
  void rebuild_recent_menu();
  QString newest_recent_path() const;
  bool is_recent_command(int command) const;
  QString recent_path_for(int command) const;
  void recent_add(const QString& path);
  void recent_remove(const QString& path);
  // "smart_find": the user's punctuation trimming for the typing lookup.
  bool smart_find() const;

  ShellObjects objects_;
  WordBox* word_box_ = nullptr;
  WordList* word_list_ = nullptr;
  QScrollBar* scroll_bar_ = nullptr;
  QMenu* dictionary_menu_ = nullptr;
  QMenu* main_menu_ = nullptr;
  std::unique_ptr<RecentMenu> recent_menu_;
  std::map<int, QAction*> actions_;
  std::map<int, std::function<void()>> command_handlers_;
  ArticleWindow* article_window_ = nullptr;
  // The article window's history and pending translations, and the sound
  // player (made when the article window first opens), for the whole run.
  std::unique_ptr<ArticleSession> article_session_;
  std::unique_ptr<SoundPlayer> sound_player_;
  SearchWindow* search_window_ = nullptr;  // made on first use; a child window

  int dpi_ = 96;
  std::uint32_t word_count_ = 0;
  std::int32_t top_index_ = 0;
  int page_size_ = 0;
  std::uint32_t current_word_index_ = 0;
  bool edit_tracking_ = true;
  bool clipboard_switch_ = false;
  bool started_ = false;
  bool shut_down_ = false;
  QString current_path_;
  // The dictionary last asked for, opened or not: the file browser starts in
  // its folder, also after a conversion that failed or was cancelled.
  QString browse_from_;
  QFont main_font_;
  QString program_folder_;
  int transcription_font_id_ = -1;
  int extra_font_id_ = -1;
};

}  // namespace lexora

#endif  // LEXORA_GUI_MAIN_WINDOW_H_
