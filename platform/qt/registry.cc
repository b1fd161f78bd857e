#include "platform/qt/registry.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/qt/registry_encoding.h"
#include "platform/utf.h"

namespace lexora {

namespace {

// How long a session waits for another process's save before it goes on
// read-only. Saves take milliseconds; a lock held longer is a hung process.
constexpr int kLockWaitMs = 10000;
constexpr int kLockPollMs = 2;

// QLockFile::tryLock with a timeout sleeps 100 ms and more between tries;
// saves take a few milliseconds, so poll faster.
bool acquire(QLockFile& lock) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMs);
  while (!lock.tryLock(0)) {
    if (lock.error() != QLockFile::LockFailedError ||
        std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kLockPollMs));
  }
  return true;
}

QString to_qstring(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string to_std(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

// --- sessions ---

struct Registry::Session {
  std::unique_ptr<QLockFile> lock;  // taken by the first write
  bool lock_failed = false;         // then the session stays read-only
  std::unique_ptr<QTemporaryDir> snapshot_dir;
  int snapshots = 0;
  QByteArray original;  // the store's bytes the snapshot was taken from
  std::unique_ptr<QSettings> settings;
  bool modified = false;
};

Registry::Registry(std::string file_path) : file_path_(std::move(file_path)) {}

Registry::~Registry() {
  // Keys must not outlive their registry; if one did, its changes are lost
  // rather than written from a destructor at an unknown time.
  session_.reset();
}

std::string Registry::default_file_path() {
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.config";
  }
  return base + "/Lexora/Lexora.ini";
}

RegistryKey Registry::create_key(std::string_view name) {
  if (open_keys_ == 0) open_session();
  ++open_keys_;
  std::string group;
  if (!name.empty()) group = registry_detail::escape_name(name) + "/";
  return RegistryKey(this, std::move(group));
}

namespace {

QByteArray read_whole(const QString& path) {
  QFile in(path);
  return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

}  // namespace

// QSettings keeps a process-wide cache of parsed files and trusts it while the
// file's size and modification time look unchanged, which two quick saves of
// the same size by another process defeat. So a session works on a private
// copy of the store under a name no cache has seen.
void Registry::open_session() {
  session_ = std::make_unique<Session>();
  session_->snapshot_dir = std::make_unique<QTemporaryDir>();
  take_snapshot();
}

void Registry::take_snapshot() {
  Session& session = *session_;
  const QString store = to_qstring(file_path_);
  session.settings.reset();
  session.original = read_whole(store);
  if (!session.snapshot_dir->isValid()) {
    // No private copy: read the store itself, and never write it from here.
    session.lock_failed = true;
    session.settings = std::make_unique<QSettings>(store, QSettings::IniFormat);
    return;
  }
  const QString snapshot = session.snapshot_dir->filePath(
      QStringLiteral("snapshot-%1.ini").arg(++session.snapshots));
  if (!session.original.isEmpty()) {
    QFile out(snapshot);
    if (out.open(QIODevice::WriteOnly)) out.write(session.original);
  }
  session.settings = std::make_unique<QSettings>(snapshot, QSettings::IniFormat);
}

// Reading needs no lock (the store is only ever replaced whole). The first
// write takes it and, when another process saved since the snapshot, takes
// the snapshot again, so that a save never undoes another one's values.
bool Registry::begin_write() {
  Session& session = *session_;
  if (session.lock) return true;
  if (session.lock_failed) return false;
  const QString store = to_qstring(file_path_);
  QDir().mkpath(QFileInfo(store).absolutePath());
  auto lock = std::make_unique<QLockFile>(store + QStringLiteral(".lock"));
  if (!acquire(*lock)) {
    session.lock_failed = true;
    return false;
  }
  session.lock = std::move(lock);
  if (read_whole(store) != session.original) take_snapshot();
  return true;
}

bool Registry::close_session() {
  std::unique_ptr<Session> session = std::move(session_);
  if (!session || !session->modified) return true;
  session->settings->sync();
  if (session->settings->status() == QSettings::AccessError) return false;
  const QString snapshot = session->settings->fileName();
  session->settings.reset();

  QByteArray bytes;
  QFile in(snapshot);
  if (in.open(QIODevice::ReadOnly)) bytes = in.readAll();
  QSaveFile out(to_qstring(file_path_));
  if (!out.open(QIODevice::WriteOnly)) return false;
  if (out.write(bytes) != bytes.size()) {
    out.cancelWriting();
    return false;
  }
  return out.commit();
}

// --- keys ---

RegistryKey::RegistryKey(Registry* registry, std::string group)
    : registry_(registry), group_(std::move(group)) {}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : registry_(other.registry_), group_(std::move(other.group_)) {
  other.registry_ = nullptr;
}

RegistryKey::~RegistryKey() { close(); }

bool RegistryKey::close() {
  if (registry_ == nullptr) return true;
  Registry* registry = registry_;
  registry_ = nullptr;
  if (--registry->open_keys_ > 0) return true;
  return registry->close_session();
}

std::optional<std::pair<RegistryType, std::vector<std::uint8_t>>> RegistryKey::fetch(
    std::string_view name) const {
  if (registry_ == nullptr || name.empty()) return std::nullopt;
  const QSettings& settings = *registry_->session_->settings;
  const QVariant value = settings.value(to_qstring(group_ + registry_detail::escape_name(name)));
  if (!value.isValid()) return std::nullopt;
  switch (value.typeId()) {
    case QMetaType::QString:
      return registry_detail::decode_value(to_std(value.toString()));
    case QMetaType::QStringList:
      // An unquoted text with commas in a hand-edited file.
      return registry_detail::decode_value(to_std(value.toStringList().join(QStringLiteral(", "))));
    default:
      // "@Variant(...)" and the like: something Qt made of a hand edit.
      return std::make_pair(RegistryType::kNone, std::vector<std::uint8_t>());
  }
}

bool RegistryKey::query_value(std::string_view name, RegistryType* type, std::uint8_t* data,
                              std::uint32_t* size) const {
  const auto value = fetch(name);
  if (!value) return false;
  const auto& bytes = value->second;
  if (bytes.size() > UINT32_MAX) return false;
  const auto length = static_cast<std::uint32_t>(bytes.size());
  if (data != nullptr) {
    if (size == nullptr || *size < length) {
      if (size != nullptr) *size = length;
      return false;
    }
    if (length > 0) std::memcpy(data, bytes.data(), length);
  }
  if (type != nullptr) *type = value->first;
  if (size != nullptr) *size = length;
  return true;
}

bool RegistryKey::set_value(std::string_view name, RegistryType type,
                            std::span<const std::uint8_t> data) {
  if (registry_ == nullptr || name.empty() || !registry_->begin_write()) return false;
  Registry::Session& session = *registry_->session_;
  session.settings->setValue(to_qstring(group_ + registry_detail::escape_name(name)),
                             to_qstring(registry_detail::encode_value(type, data)));
  session.modified = true;
  return true;
}

bool RegistryKey::delete_value(std::string_view name) {
  if (registry_ == nullptr || name.empty() || !registry_->begin_write()) return false;
  Registry::Session& session = *registry_->session_;
  const QString key = to_qstring(group_ + registry_detail::escape_name(name));
  if (!session.settings->contains(key)) return false;
  session.settings->remove(key);
  session.modified = true;
  return true;
}

std::optional<std::int32_t> RegistryKey::read_number(std::string_view name) const {
  std::uint8_t data[kNumberSize] = {0, 0, 0, 0};
  std::uint32_t size = sizeof data;
  RegistryType type = RegistryType::kNone;
  if (!query_value(name, &type, data, &size)) return std::nullopt;
  if (type != RegistryType::kNumber || size == 0) return std::nullopt;
  std::uint32_t v = 0;
  for (std::uint32_t k = 0; k < size; ++k) v |= static_cast<std::uint32_t>(data[k]) << (8 * k);
  return static_cast<std::int32_t>(v);
}

std::optional<bool> RegistryKey::read_flag(std::string_view name) const {
  std::uint8_t data[kNumberSize] = {0, 0, 0, 0};
  std::uint32_t size = sizeof data;
  RegistryType type = RegistryType::kNone;
  if (!query_value(name, &type, data, &size)) return std::nullopt;
  if (type != RegistryType::kNumber || size == 0) return std::nullopt;
  return (data[0] | data[1] | data[2] | data[3]) != 0;
}

std::optional<std::u16string> RegistryKey::read_text(std::string_view name,
                                                     std::size_t max_bytes) const {
  const auto value = fetch(name);
  if (!value || value->first != RegistryType::kText) return std::nullopt;
  const auto& bytes = value->second;
  if (bytes.size() > max_bytes) return std::nullopt;
  std::u16string text;
  for (std::size_t k = 0; k + 1 < bytes.size(); k += 2) {
    const auto u = static_cast<char16_t>(bytes[k] | (bytes[k + 1] << 8));
    if (u == 0) break;
    text += u;
  }
  return text;
}

bool RegistryKey::write_number(std::string_view name, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  const std::uint8_t data[kNumberSize] = {
      static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
      static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  return set_value(name, RegistryType::kNumber, data);
}

bool RegistryKey::write_flag(std::string_view name, bool value) {
  const std::uint8_t data[kFlagSize] = {static_cast<std::uint8_t>(value ? 1 : 0)};
  return set_value(name, RegistryType::kNumber, data);
}

bool RegistryKey::write_text(std::string_view name, std::u16string_view value) {
  return set_value(name, RegistryType::kText, registry_detail::text_data(value));
}

}  // namespace lexora
