#include "platform/qt/registry.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/file_lock.h"
#include "platform/qt/registry_encoding.h"
#include "platform/read_file.h"
#include "platform/utf.h"

namespace lexora {

namespace {

// How long a session waits for another process's save before it goes on
// read-only. Saves take milliseconds; a lock held longer is a hung process.
constexpr auto kLockWait = std::chrono::milliseconds(10000);
// The private copies of sessions live in the temporary folder under this
// name and the owning process's id, so that one left by a killed process
// can be told from a live one and removed.
constexpr char kSnapshotDirPrefix[] = "lexora-registry-";

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
  std::optional<FileLock> lock;  // taken by the first write
  bool read_only = false;        // a write failed to begin: the session stays read-only
  std::unique_ptr<QTemporaryDir> snapshot_dir;
  int snapshots = 0;
  std::string original;  // the store's bytes the snapshot was taken from
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

// Removes the private copies that killed processes left in the temporary
// folder: this user's, named for a process that no longer runs.
void remove_stale_snapshot_dirs() {
  const QDir temp(QDir::tempPath());
  const QString prefix = QString::fromLatin1(kSnapshotDirPrefix);
  const auto entries = temp.entryInfoList({prefix + QStringLiteral("*")},
                                          QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
  for (const QFileInfo& entry : entries) {
    const QString rest = entry.fileName().mid(prefix.size());
    bool is_number = false;
    const qint64 pid = rest.section(QLatin1Char('-'), 0, 0).toLongLong(&is_number);
    if (!is_number || pid <= 0 || pid == ::getpid() || entry.isSymLink()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    struct stat st {};
    const QByteArray path = entry.absoluteFilePath().toLocal8Bit();
    if (::lstat(path.constData(), &st) != 0 || st.st_uid != ::geteuid()) continue;
    QDir(entry.absoluteFilePath()).removeRecursively();
  }
}

}  // namespace

// QSettings keeps a process-wide cache of parsed files and trusts it while the
// file's size and modification time look unchanged, which two quick saves of
// the same size by another process defeat. So a session works on a private
// copy of the store under a name no cache has seen.
void Registry::open_session() {
  session_ = std::make_unique<Session>();
  error_.clear();
  session_->snapshot_dir = std::make_unique<QTemporaryDir>(
      QDir::tempPath() +
      QStringLiteral("/%1%2-XXXXXX").arg(QLatin1String(kSnapshotDirPrefix)).arg(::getpid()));
  take_snapshot();
}

bool Registry::read_store(std::string* bytes) {
  const ReadResult result = read_regular_file(file_path_, kMaxSettingsFileSize, bytes);
  if (result.status == ReadStatus::kOk) return true;
  bytes->clear();
  if (result.status == ReadStatus::kMissing) return true;  // a fresh start
  error_ = "cannot read " + result.describe(file_path_, kMaxSettingsFileSize);
  return false;
}

void Registry::take_snapshot() {
  Session& session = *session_;
  session.settings.reset();
  // A store that is there but cannot be read is never written over: its
  // values would be lost. The session reads as empty and refuses writes.
  if (!read_store(&session.original)) session.read_only = true;
  if (!session.snapshot_dir->isValid()) {
    // No private copy: read the store itself, and never write it from here.
    error_ = "cannot create a folder in " + to_std(QDir::tempPath());
    session.read_only = true;
    session.settings = std::make_unique<QSettings>(to_qstring(file_path_), QSettings::IniFormat);
    return;
  }
  const QString snapshot =
      session.snapshot_dir->filePath(QStringLiteral("snapshot-%1.ini").arg(++session.snapshots));
  if (!session.original.empty()) {
    QFile out(snapshot);
    const std::string text = registry_detail::name_empty_sections(session.original);
    const auto size = static_cast<qint64>(text.size());
    if (!out.open(QIODevice::WriteOnly) || out.write(text.data(), size) != size || !out.flush()) {
      error_ = "cannot copy " + file_path_ + " to " + to_std(snapshot) + ": " +
               to_std(out.errorString());
      session.read_only = true;
    }
  }
  session.settings = std::make_unique<QSettings>(snapshot, QSettings::IniFormat);
}

// Reading needs no lock (the store is only ever replaced whole). The first
// write takes it and, when another process saved since the snapshot, takes
// the snapshot again, so that a save never undoes another one's values.
bool Registry::begin_write() {
  Session& session = *session_;
  if (session.lock) return true;
  if (session.read_only) return false;
  const QString folder = QFileInfo(to_qstring(file_path_)).absolutePath();
  if (!QDir().mkpath(folder)) {
    error_ = "cannot create the folder " + to_std(folder);
    session.read_only = true;
    return false;
  }
  int lock_error = 0;
  session.lock = FileLock::acquire(file_path_, kLockWait, &lock_error);
  if (!session.lock) {
    error_ = "cannot lock " + file_path_ + ": " +
             (lock_error == EWOULDBLOCK ? std::string("another program is saving it")
                                        : std::string(std::strerror(lock_error)));
    session.read_only = true;
    return false;
  }
  // Holding the lock, nobody else is writing: leftovers are a dead process's.
  remove_stale_temporaries(file_path_);
  remove_stale_snapshot_dirs();
  std::string now;
  if (!read_store(&now)) {
    session.read_only = true;
    session.lock.reset();
    return false;
  }
  if (now != session.original) take_snapshot();
  return !session.read_only;
}

bool Registry::close_session() {
  std::unique_ptr<Session> session = std::move(session_);
  if (!session || !session->modified) return true;
  session->settings->sync();
  const QString snapshot = session->settings->fileName();
  // (A FormatError only says the old file was damaged; what is saved is whole.)
  if (session->settings->status() == QSettings::AccessError) {
    error_ = "cannot write " + file_path_ + ": the private copy " + to_std(snapshot) +
             " could not be written";
    return false;
  }
  session->settings.reset();

  std::vector<std::uint8_t> bytes;
  const std::string snapshot_path = to_std(snapshot);
  const ReadResult copy = read_regular_file(snapshot_path, kMaxSettingsFileSize, &bytes);
  if (copy.status != ReadStatus::kOk) {
    error_ = "cannot write " + file_path_ + ": reading the private copy failed: " +
             copy.describe(snapshot_path, kMaxSettingsFileSize);
    return false;
  }
  if (const std::optional<WriteError> failure = replace_file(file_path_, bytes)) {
    error_ = failure->describe();
    return false;
  }
  return true;
}

// --- keys ---

RegistryKey::RegistryKey(Registry* registry, std::string group)
    : registry_(registry), group_(std::move(group)) {}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : registry_(other.registry_), group_(std::move(other.group_)) {
  other.registry_ = nullptr;
}

RegistryKey::~RegistryKey() {
  close();
}

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
