// The article view: shows one HTML page and reports taps on links. The view
// never follows a link itself; the article window decides what a target
// means. Link targets are reported as the raw href text of the page: QUrl
// would rewrite targets such as "!%house.ogg" or "pics\cat.png".
#ifndef LEXORA_GUI_ARTICLE_ARTICLE_VIEW_H_
#define LEXORA_GUI_ARTICLE_ARTICLE_VIEW_H_

#include <QColor>
#include <QTextBrowser>

namespace lexora {

class ArticleView : public QTextBrowser {
  Q_OBJECT
 public:
  explicit ArticleView(QWidget* parent = nullptr);

  // Clears the view and shows `html`, scrolled to the top.
  void set_page(const QString& html);
  // Vertical scroll position, for the history.
  int scroll_position() const;
  void set_scroll_position(int position);
  // Fills the view's background with `colour`, or the style's when invalid.
  void set_background(const QColor& colour);

  // The link target under `pos` (viewport coordinates), raw; empty when none.
  QString link_at(const QPoint& pos) const;

 signals:
  void link_activated(const QString& target);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString pressed_link_;
};

}  // namespace lexora

#endif  // LEXORA_GUI_ARTICLE_ARTICLE_VIEW_H_
