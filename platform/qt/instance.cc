#include "platform/qt/instance.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <unistd.h>

namespace lexora {
namespace {

// One request line and one answer line per connection; strings travel in
// base64 so that titles with tabs or line breaks cannot break the framing.
constexpr char kQuery[] = "QUERY";
constexpr char kActivate[] = "ACTIVATE";
constexpr char kHandOver[] = "HANDOVER";
constexpr char kClose[] = "CLOSE";
constexpr char kCopyData[] = "COPYDATA";
constexpr char kAnswerTag[] = "LEXORA-INSTANCE";
constexpr char kOk[] = "OK";
constexpr char kClosed[] = "CLOSED";

// A reader message carries 60 bytes; anything far beyond is not a message
// a well-behaved peer sends, so a line is capped to keep a stray client from
// filling memory.
constexpr qint64 kMaxLine = 1 << 20;

QByteArray encode(const QString& text) {
  return text.toUtf8().toBase64();
}
QString decode(const QByteArray& data) {
  return QString::fromUtf8(QByteArray::fromBase64(data));
}

// Sends `request` and waits for one answer line; empty when the instance
// cannot be reached or stays silent.
std::optional<QByteArray> exchange(const QString& socket_path, const QByteArray& request,
                                   int timeout_ms) {
  QLocalSocket socket;
  socket.connectToServer(socket_path);
  if (!socket.waitForConnected(timeout_ms)) return std::nullopt;
  socket.write(request + '\n');
  if (!socket.waitForBytesWritten(timeout_ms)) return std::nullopt;
  while (!socket.canReadLine()) {
    if (!socket.waitForReadyRead(timeout_ms)) return std::nullopt;
  }
  QByteArray line = socket.readLine(kMaxLine);
  socket.disconnectFromServer();
  return line.trimmed();
}

}  // namespace

QString instance_directory() {
  QString dir = qEnvironmentVariable("LEXORA_INSTANCE_DIR");
  if (dir.isEmpty()) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) {
      dir = runtime + QStringLiteral("/lexora");
    } else {
      dir = QDir::tempPath() + QStringLiteral("/lexora-") + QString::number(getuid());
    }
  }
  QDir().mkpath(dir);
  // Only this user may reach the sockets.
  QFile::setPermissions(dir,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  return dir;
}

std::optional<InstanceRef> find_instance(const QString& class_name, const QString& title,
                                         int timeout_ms) {
  const QDir dir(instance_directory());
  const QStringList names =
      dir.entryList({QStringLiteral("*.sock")}, QDir::System | QDir::Files, QDir::Name);
  for (const QString& name : names) {
    const QString path = dir.filePath(name);
    const auto answer = exchange(path, kQuery, timeout_ms);
    if (!answer) {
      // Nobody listens: a process that ended without removing its socket.
      QLocalSocket probe;
      probe.connectToServer(path);
      if (!probe.waitForConnected(100) && probe.error() == QLocalSocket::ConnectionRefusedError) {
        QFile::remove(path);
      }
      continue;
    }
    const QList<QByteArray> parts = answer->split('\t');
    if (parts.size() != 3 || parts[0] != kAnswerTag) continue;
    InstanceRef ref{path, decode(parts[1]), decode(parts[2])};
    if (ref.class_name != class_name) continue;
    if (!title.isEmpty() && ref.title != title) continue;
    return ref;
  }
  return std::nullopt;
}

bool activate_instance(const InstanceRef& instance, int timeout_ms) {
  const auto answer = exchange(instance.socket_path, kActivate, timeout_ms);
  return answer && *answer == kOk;
}

bool post_hand_over(const InstanceRef& instance, int timeout_ms) {
  const auto answer = exchange(instance.socket_path, kHandOver, timeout_ms);
  return answer && *answer == kOk;
}

bool close_instance(const InstanceRef& instance, int timeout_ms) {
  const auto answer = exchange(instance.socket_path, kClose, timeout_ms);
  return answer && *answer == kClosed;
}

std::optional<bool> send_copy_data(const InstanceRef& instance, std::uint32_t kind,
                                   const std::vector<std::uint8_t>& data, int timeout_ms) {
  const QByteArray bytes(reinterpret_cast<const char*>(data.data()),
                         static_cast<qsizetype>(data.size()));
  const QByteArray request =
      QByteArray(kCopyData) + '\t' + QByteArray::number(kind) + '\t' + bytes.toBase64();
  const auto answer = exchange(instance.socket_path, request, timeout_ms);
  if (!answer || (*answer != "1" && *answer != "0")) return std::nullopt;
  return *answer == "1";
}

InstanceServer::InstanceServer(InstanceHandlers handlers, QObject* parent)
    : QObject(parent), handlers_(std::move(handlers)) {}

InstanceServer::~InstanceServer() {
  withdraw();
}

bool InstanceServer::publish(const QString& class_name, const QString& title) {
  withdraw();
  class_name_ = class_name;
  title_ = title;
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  const QString path = instance_directory() + QStringLiteral("/") + QString::number(getpid()) +
                       QStringLiteral(".sock");
  QLocalServer::removeServer(path);
  if (!server_->listen(path)) {
    delete server_;
    server_ = nullptr;
    return false;
  }
  connect(server_, &QLocalServer::newConnection, this, &InstanceServer::on_new_connection);
  return true;
}

QString InstanceServer::socket_path() const {
  return server_ ? server_->fullServerName() : QString();
}

void InstanceServer::withdraw() {
  if (!server_) return;
  server_->close();  // also removes the socket file
  delete server_;
  server_ = nullptr;
}

void InstanceServer::on_new_connection() {
  while (server_ && server_->hasPendingConnections()) {
    QLocalSocket* socket = server_->nextPendingConnection();
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { on_ready_read(socket); });
    if (socket->canReadLine()) on_ready_read(socket);
  }
}

void InstanceServer::on_ready_read(QLocalSocket* socket) {
  if (!socket->canReadLine()) {
    if (socket->bytesAvailable() > kMaxLine) socket->abort();
    return;
  }
  const QByteArray line = socket->readLine(kMaxLine).trimmed();
  // One request per connection: stop listening to this peer.
  disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
  handle_line(socket, line);
}

void InstanceServer::handle_line(QLocalSocket* socket, const QByteArray& line) {
  auto answer = [socket](const QByteArray& text) {
    socket->write(text + '\n');
    socket->flush();
  };
  const QList<QByteArray> parts = line.split('\t');
  const QByteArray& verb = parts[0];
  if (verb == kQuery) {
    answer(QByteArray(kAnswerTag) + '\t' + encode(class_name_) + '\t' + encode(title_));
  } else if (verb == kActivate || verb == kHandOver) {
    answer(kOk);
    // Posted: the sender does not wait for the work itself.
    auto& handler = verb == kActivate ? handlers_.activate : handlers_.hand_over;
    if (handler) QTimer::singleShot(0, this, [handler] { handler(); });
  } else if (verb == kClose) {
    // Keep the socket while the handler tears the window down.
    socket->setParent(this);
    if (handlers_.close) handlers_.close();
    answer(kClosed);
    socket->waitForBytesWritten(1000);
  } else if (verb == kCopyData && parts.size() == 3) {
    bool ok = false;
    const std::uint32_t kind = parts[1].toUInt(&ok);
    const QByteArray bytes = QByteArray::fromBase64(parts[2]);
    bool result = false;
    if (ok && handlers_.copy_data) {
      result = handlers_.copy_data(kind, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    answer(result ? "1" : "0");
  } else {
    socket->abort();
  }
}

}  // namespace lexora
