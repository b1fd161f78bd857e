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

#include "platform/utf.h"

namespace lexora {

namespace {

// How long a session waits for another process's save before it goes on
// read-only. Saves take milliseconds; a lock held longer is a hung process.
constexpr int kLockWaitMs = 10000;
constexpr int kLockPollMs = 2;

constexpr std::string_view kNumberPrefix = "dword:";
constexpr std::string_view kFlagPrefix = "flag:";
constexpr std::string_view kTextPrefix = "sz:";
constexpr std::string_view kRawPrefix = "hex(";
constexpr char kHexDigits[] = "0123456789abcdef";
constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// Length of the well-formed UTF-8 sequence at `s[i]`, or 0.
std::size_t utf8_sequence_length(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  std::uint32_t cp = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    cp = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
  if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::uint64_t> parse_unsigned(std::string_view digits, int base,
                                            std::size_t max_digits) {
  if (digits.empty() || digits.size() > max_digits) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    const int d = hex_value(c);
    if (d < 0 || d >= base) return std::nullopt;
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
  }
  return value;
}

// Whether `data` is UTF-16 text that the "sz:" form holds exactly: whole
// units, one terminating zero and no other, no unpaired surrogate.
bool is_plain_text(std::span<const std::uint8_t> data) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  const std::size_t units = data.size() / 2;
  const auto unit = [&](std::size_t k) {
    return static_cast<char16_t>(data[2 * k] | (data[2 * k + 1] << 8));
  };
  if (unit(units - 1) != 0) return false;
  for (std::size_t k = 0; k + 1 < units; ++k) {
    const char16_t u = unit(k);
    if (u == 0) return false;
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (k + 2 >= units) return false;
      const char16_t next = unit(k + 1);
      if (next < 0xDC00 || next > 0xDFFF) return false;
      ++k;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

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

std::vector<std::uint8_t> text_data(std::u16string_view text) {
  std::vector<std::uint8_t> data;
  data.reserve((text.size() + 1) * 2);
  for (char16_t u : text) {
    data.push_back(static_cast<std::uint8_t>(u & 0xFF));
    data.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

QString to_qstring(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string to_std(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

namespace registry_detail {

// Keeps letters, digits, printable ASCII and well-formed UTF-8 readable;
// escapes '%', the separators '/' and '\', control characters and every byte
// that is not part of well-formed UTF-8 as %XX. QSettings escapes what it
// needs on top of that, and undoes only its own escaping on reading.
std::string escape_name(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  std::size_t i = 0;
  while (i < name.size()) {
    const auto c = static_cast<unsigned char>(name[i]);
    const std::size_t length = utf8_sequence_length(name, i);
    const bool plain = length > 1 || (length == 1 && c >= 0x20 && c < 0x7F && c != '%' &&
                                      c != '/' && c != '\\');
    if (plain) {
      out.append(name.substr(i, length));
      i += length;
    } else {
      out += '%';
      out += kUpperHexDigits[c >> 4];
      out += kUpperHexDigits[c & 0xF];
      ++i;
    }
  }
  return out;
}

// dword:XXXXXXXX  a 4-byte number, as hexadecimal digits
// flag:N          a number written with one data byte (N decimal)
// sz:TEXT         UTF-16 text with one terminating zero, stored as UTF-8
// hex(T):XXXX...  anything else: type number T and the bytes in hexadecimal
std::string encode_value(RegistryType type, std::span<const std::uint8_t> data) {
  if (type == RegistryType::kNumber && data.size() == kNumberSize) {
    const std::uint32_t v = static_cast<std::uint32_t>(data[0]) | (data[1] << 8) |
                            (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
    std::string out(kNumberPrefix);
    for (int shift = 28; shift >= 0; shift -= 4) out += kHexDigits[(v >> shift) & 0xF];
    return out;
  }
  if (type == RegistryType::kNumber && data.size() == kFlagSize) {
    return std::string(kFlagPrefix) + std::to_string(data[0]);
  }
  if (type == RegistryType::kText && is_plain_text(data)) {
    std::u16string text;
    for (std::size_t k = 0; k + 2 < data.size(); k += 2) {
      text += static_cast<char16_t>(data[k] | (data[k + 1] << 8));
    }
    return std::string(kTextPrefix) + utf16_to_utf8(text);
  }
  std::string out(kRawPrefix);
  out += std::to_string(static_cast<std::uint32_t>(type));
  out += "):";
  for (std::uint8_t b : data) {
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 0xF];
  }
  return out;
}

// The inverse of encode_value. A text without one of the prefixes is taken as
// a text value (what a person editing the file by hand means); a prefixed
// form that does not parse is a value of no known type.
std::pair<RegistryType, std::vector<std::uint8_t>> decode_value(std::string_view text) {
  const auto broken = [&] {
    return std::make_pair(RegistryType::kNone, std::vector<std::uint8_t>(text.begin(), text.end()));
  };
  if (starts_with_ignoring_case(text, kNumberPrefix)) {
    const auto v = parse_unsigned(text.substr(kNumberPrefix.size()), 16, 8);
    if (!v) return broken();
    std::vector<std::uint8_t> data(kNumberSize);
    for (std::size_t k = 0; k < kNumberSize; ++k) data[k] = static_cast<std::uint8_t>(*v >> (8 * k));
    return {RegistryType::kNumber, std::move(data)};
  }
  if (starts_with_ignoring_case(text, kFlagPrefix)) {
    const auto v = parse_unsigned(text.substr(kFlagPrefix.size()), 10, 3);
    if (!v || *v > 0xFF) return broken();
    return {RegistryType::kNumber, {static_cast<std::uint8_t>(*v)}};
  }
  if (starts_with_ignoring_case(text, kTextPrefix)) {
    return {RegistryType::kText, text_data(utf8_to_utf16(text.substr(kTextPrefix.size())))};
  }
  if (starts_with_ignoring_case(text, kRawPrefix)) {
    const std::string_view rest = text.substr(kRawPrefix.size());
    const std::size_t close = rest.find("):");
    if (close == std::string_view::npos) return broken();
    const auto type = parse_unsigned(rest.substr(0, close), 10, 10);
    const std::string_view hex = rest.substr(close + 2);
    if (!type || *type > 0xFFFFFFFFu || hex.size() % 2 != 0) return broken();
    std::vector<std::uint8_t> data;
    data.reserve(hex.size() / 2);
    for (std::size_t k = 0; k < hex.size(); k += 2) {
      const int hi = hex_value(hex[k]);
      const int lo = hex_value(hex[k + 1]);
      if (hi < 0 || lo < 0) return broken();
      data.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    return {static_cast<RegistryType>(*type), std::move(data)};
  }
  return {RegistryType::kText, text_data(utf8_to_utf16(text))};
}

}  // namespace registry_detail

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
  return set_value(name, RegistryType::kText, text_data(value));
}

}  // namespace lexora
