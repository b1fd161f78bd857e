// The article view: shows one HTML page, reports clicks on links and answers
// the page's picture requests. It never follows a link itself and never
// reads a file: the window decides what a target means, and pictures come
// only from the provider the window installs.
//
// Link targets and picture names are the raw text of the page (href and
// src as written); QUrl would rewrite targets such as "!%house.ogg",
// "pics\cat.png" or "HTTP://x". Pictures are asked for through
// loadResource, mapped back to their raw names, and each name is asked for
// once per page: the answer (a picture, or none for the placeholder) is kept
// until the next page.
#ifndef LEXORA_GUI_ARTICLE_ARTICLE_VIEW_H_
#define LEXORA_GUI_ARTICLE_ARTICLE_VIEW_H_

#include <QColor>
#include <QHash>
#include <QImage>
#include <QTextBrowser>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <optional>

namespace lexora {

class ArticleView : public QTextBrowser {
  Q_OBJECT
 public:
  // The picture for a raw name; nothing keeps the view's placeholder.
  using PictureProvider = std::function<std::optional<QImage>(const QString& raw_name)>;

  explicit ArticleView(QWidget* parent = nullptr);

  void set_picture_provider(PictureProvider provider) { provider_ = std::move(provider); }

  // Clears the view and shows `html`, scrolled to the top, with every
  // picture laid out.
  void set_page(const QString& html);
  // Vertical scroll position, in the view's scroll units.
  int scroll_position() const;
  void set_scroll_position(int position);
  // Fills the view's background with `colour`, or the style's when invalid.
  void set_background(const QColor& colour);
  // The selection as plain text: real line ends, no paragraph or line
  // separator characters, no-break spaces as spaces.
  QString selected_plain_text() const;
  // The whole page as plain text, in the same form.
  QString page_plain_text() const;

  // The link target under `pos` (viewport coordinates), raw; empty when none.
  QString link_at(const QPoint& pos) const;
  // Pictures answered for the page on display, by raw name (for tests).
  int picture_requests() const { return picture_requests_; }

  // "Arrow redefine": Left and Right ask for Back and Forward, Up and Down
  // page through the article and on to the neighbouring words at its ends.
  void set_arrow_redefine(bool on) { arrow_redefine_ = on; }

 signals:
  void link_activated(const QString& target);
  void back_requested();
  void forward_requested();
  // -1 the previous word, +1 the next.
  void step_requested(int delta);

 protected:
  QVariant loadResource(int type, const QUrl& name) override;
  QMimeData* createMimeDataFromSelection() const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The raw src of every picture in the page, by the URL the document asks
  // with.
  void index_picture_names();
  void page_by_arrow(int key);

  PictureProvider provider_;
  QHash<QUrl, QString> raw_names_;
  QHash<QString, QVariant> answers_;
  int picture_requests_ = 0;
  QString pressed_link_;
  bool arrow_redefine_ = false;
};

}  // namespace lexora

#endif  // LEXORA_GUI_ARTICLE_ARTICLE_VIEW_H_
