#include "gui/search_highlight.h"

#include <QColor>
#include <QObject>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <vector>

namespace lexora {
namespace {

const QColor kMarkColour(255, 230, 90);

class Highlighter : public QObject {
 public:
  Highlighter(QTextEdit* view, const QStringList& texts, bool word_starts)
      : QObject(view), view_(view) {
    for (const QString& text : texts) {
      // Words of the match, any white space between them.
      QStringList words =
          text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
      for (QString& word : words) word = QRegularExpression::escape(word);
      if (words.isEmpty()) continue;
      QString pattern = words.join(QStringLiteral("\\s+"));
      if (word_starts && text.front().isLetterOrNumber())
        pattern.prepend(QStringLiteral("(?<![\\p{L}\\p{N}\\p{M}])"));
      patterns_.emplace_back(pattern, QRegularExpression::CaseInsensitiveOption |
                                          QRegularExpression::UseUnicodePropertiesOption);
    }
    setObjectName(QStringLiteral("lexora_search_highlighter"));
    connect(view, &QTextEdit::textChanged, this, &Highlighter::apply);
    apply();
  }

  int count() const { return count_; }

 private:
  void apply() {
    QList<QTextEdit::ExtraSelection> marks;
    QTextDocument* document = view_->document();
    int first = -1;
    for (const QRegularExpression& pattern : patterns_) {
      for (QTextCursor at = document->find(pattern, 0); !at.isNull() && at.hasSelection();
           at = document->find(pattern, at)) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = at;
        mark.format.setBackground(kMarkColour);
        marks.append(mark);
        if (first < 0 || at.selectionStart() < first) first = at.selectionStart();
      }
    }
    count_ = static_cast<int>(marks.size());
    view_->setExtraSelections(marks);
    if (first >= 0 && !scrolled_) {
      scrolled_ = true;
      // After the view has laid the page out and set its own scroll position.
      QTimer::singleShot(0, this, [this, first] {
        QTextCursor cursor(view_->document());
        cursor.setPosition(first);
        const QRect where = view_->cursorRect(cursor);
        QScrollBar* bar = view_->verticalScrollBar();
        bar->setValue(bar->value() + where.top() - view_->viewport()->height() / 3);
      });
    }
  }

  QTextEdit* view_;
  std::vector<QRegularExpression> patterns_;
  int count_ = 0;
  bool scrolled_ = false;
};

}  // namespace

void highlight_matches(QTextEdit* view, const QStringList& texts, bool word_starts) {
  if (view == nullptr || texts.isEmpty()) return;
  new Highlighter(view, texts, word_starts);
}

int highlight_count(const QTextEdit* view) {
  int total = 0;
  for (const QObject* child : view->children())
    if (const auto* highlighter = dynamic_cast<const Highlighter*>(child))
      total += highlighter->count();
  return total;
}

}  // namespace lexora
