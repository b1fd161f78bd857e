// Running instances of the program and the messages they exchange.
//
// Each running main window listens on a local socket of its own in a
// per-user folder (mode 0700) and answers for its window class and title.
// "Finding a window" asks every socket in that folder and picks the first
// whose class (and, when given, title) matches. The messages are:
//   - activate: bring the window to the front (not waited for);
//   - hand-over: run the clipboard search (posted, not waited for);
//   - close: close the window; the reply comes only after the window has
//     gone through its destruction steps, so the caller may rely on the
//     settings having been saved;
//   - copy data: a block of bytes with a kind number (the reader's colours
//     use kind 1), answered with the handler's true/false.
//
// Sockets of processes that died are removed by the first search that cannot
// connect to them. The folder is $LEXORA_INSTANCE_DIR when set (tests), else
// $XDG_RUNTIME_DIR/lexora, else <temp>/lexora-<uid>.
#ifndef LEXORA_PLATFORM_QT_INSTANCE_H_
#define LEXORA_PLATFORM_QT_INSTANCE_H_

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace lexora {

// What a search found: enough to talk to that instance.
struct InstanceRef {
  QString socket_path;
  QString class_name;
  QString title;
};

// The per-user folder of instance sockets (created on demand).
QString instance_directory();

// The first running instance whose class is `class_name` and, when `title`
// is not empty, whose title equals `title`. Waits at most `timeout_ms` for
// each instance's answer.
std::optional<InstanceRef> find_instance(const QString& class_name, const QString& title,
                                         int timeout_ms = 2000);

// Brings the instance's window to the front. False when it cannot be reached.
bool activate_instance(const InstanceRef& instance, int timeout_ms = 2000);
// Posts the hand-over message. False when it cannot be reached.
bool post_hand_over(const InstanceRef& instance, int timeout_ms = 2000);
// Asks the instance to close and waits until its window has been destroyed
// (at most `timeout_ms`). True when the close was confirmed.
bool close_instance(const InstanceRef& instance, int timeout_ms = 30000);
// Sends a block of bytes. The handler's answer, or nothing when the
// instance cannot be reached or does not answer.
std::optional<bool> send_copy_data(const InstanceRef& instance, std::uint32_t kind,
                                   const std::vector<std::uint8_t>& data, int timeout_ms = 5000);

// What a listening instance does with each message. Every handler runs on
// the thread of the server's event loop. A missing handler ignores the
// message (copy data then answers false).
struct InstanceHandlers {
  std::function<void()> activate;
  std::function<void()> hand_over;
  // Must destroy the window (and save what is to be saved) before returning.
  std::function<void()> close;
  std::function<bool(std::uint32_t kind, const std::vector<std::uint8_t>& data)> copy_data;
};

// The listening side, one per main window. It publishes `class_name` and a
// title that the window changes as dictionaries open.
class InstanceServer : public QObject {
  Q_OBJECT
 public:
  explicit InstanceServer(InstanceHandlers handlers, QObject* parent = nullptr);
  ~InstanceServer() override;

  // Starts listening. False when the socket cannot be created.
  bool publish(const QString& class_name, const QString& title);
  void set_title(const QString& title) { title_ = title; }
  const QString& title() const { return title_; }
  QString socket_path() const;
  // Stops listening and removes the socket, so no search finds this window.
  void withdraw();

 private:
  void on_new_connection();
  void on_ready_read(QLocalSocket* socket);
  void handle_line(QLocalSocket* socket, const QByteArray& line);

  InstanceHandlers handlers_;
  QLocalServer* server_ = nullptr;
  QString class_name_;
  QString title_;
};

}  // namespace lexora

#endif  // LEXORA_PLATFORM_QT_INSTANCE_H_
