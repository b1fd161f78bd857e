// Marks the matches of an article search on the pages of an article view.
#ifndef LEXORA_GUI_SEARCH_HIGHLIGHT_H_
#define LEXORA_GUI_SEARCH_HIGHLIGHT_H_

#include <QStringList>

class QTextEdit;

namespace lexora {

// Marks every occurrence of `texts` on the page `view` shows, case ignored
// and any run of white space (a line break too) standing for a space; with
// `word_starts`, only those that begin a word (a text that begins with a
// letter or digit must not follow one). Marks again
// each time the page changes, for as long as the view lives. The view
// is scrolled to the first mark once, after the page in it is complete.
// The marks are extra selections: the page's text and links are untouched.
void highlight_matches(QTextEdit* view, const QStringList& texts, bool word_starts);

// The marks highlight_matches() has put on `view` now, for tests.
int highlight_count(const QTextEdit* view);

}  // namespace lexora

#endif  // LEXORA_GUI_SEARCH_HIGHLIGHT_H_
