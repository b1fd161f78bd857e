// What the article window needs from the window that opens it: the open
// dictionary, the shared word indexes, the word box, the settings and the
// state the article window keeps for the whole program. The main window
// implements it; tests may implement it with a plain object.
#ifndef LEXORA_GUI_ARTICLE_ARTICLE_HOST_H_
#define LEXORA_GUI_ARTICLE_ARTICLE_HOST_H_

#include <QFont>
#include <QString>

#include <cstdint>

#include "render/page.h"

namespace lexora {

struct ArticleSession;
class Dictionary;
struct Settings;
class SoundPlayer;

class ArticleHost {
 public:
  virtual ~ArticleHost() = default;

  virtual Dictionary& dictionary() = 0;

  // The headword whose article is shown or is to be shown.
  virtual std::uint32_t current_word_index() const = 0;
  virtual void set_current_word_index(std::uint32_t index) = 0;
  // Moves the word list so that `index` is its first line and fills it anew.
  virtual void show_word_list_at(std::uint32_t index) = 0;
  // Puts `text` into the word box, selects it and gives the box the focus.
  virtual void hand_back(const QString& text) = 0;

  // The page style of the current settings and colour table.
  virtual PageStyle page_style() const = 0;
  // The main font; pages use its face (their size follows "Text size").
  virtual QFont main_font() const = 0;
  // Background of the view when the colours are in effect.
  virtual bool colours_in_effect() const = 0;
  virtual std::uint32_t background_colour() const = 0;

  // The program's settings: "Text size" is read and stored back, "Arrow
  // redefine", "smart_find" and "g_mr_dict_path" are read.
  virtual Settings& settings() = 0;
  // History and pending flash-card translations, kept between openings.
  virtual ArticleSession& article_session() = 0;
  // The program's one sound player.
  virtual SoundPlayer& sound_player() = 0;
};

}  // namespace lexora

#endif  // LEXORA_GUI_ARTICLE_ARTICLE_HOST_H_
