// For the widget tests: acting on a modal window that a modal loop is about
// to show, from inside that loop.
#ifndef LEXORA_GUI_MODAL_TEST_UTIL_H_
#define LEXORA_GUI_MODAL_TEST_UTIL_H_

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace lexora::test {

// Runs `inspect` once on the next modal window shown (inspect closes it).
// Polls, since the window may come after other queued work or after a delay
// of its own. With a `scope`, nothing runs once the scope is gone.
inline void when_modal(std::function<void(QWidget*)> inspect, QObject* scope = nullptr) {
  auto* timer = new QTimer(scope);
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, inspect] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    timer->stop();
    timer->deleteLater();
    inspect(modal);
  });
  timer->start();
}

}  // namespace lexora::test

#endif  // LEXORA_GUI_MODAL_TEST_UTIL_H_
