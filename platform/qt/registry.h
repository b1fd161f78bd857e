// The program's registry: one key for the whole program and subkeys below it
// (one per dictionary file name), each holding typed values. Stored as an INI
// file through QSettings, by default $XDG_CONFIG_HOME/Lexora/Lexora.ini.
//
// Semantics kept from the system registry that the program was written for:
// - opening a key never fails; a missing key is created (an INI file cannot
//   hold an empty group, so a key shows in the file once it holds a value);
// - a value has a type and raw bytes: a number is 4 bytes little-endian, a
//   flag is a number written with one data byte, a text is UTF-16 with its
//   terminating zero;
// - query_value fails for a missing value and for a value longer than the
//   caller's buffer; typed reads also fail for a value of another type;
// - delete_value fails when the value is missing.
// Key and value names are UTF-8 and may hold any bytes (a dictionary file
// name is used as a key name); they are escaped in the file and come back
// exactly. Names are case-sensitive. An empty value name is refused.
//
// Sessions: the first open key of a Registry starts a session, which reads a
// snapshot of the file; nested keys share it. The session's first write takes
// the store's lock (platform/file_lock.h: released by the kernel when its
// process ends; waiting at most ten seconds for a live holder), removes what
// killed writers left (temporary files beside the store, private copies in
// the temporary folder) and takes the snapshot again if another process
// saved meanwhile. Closing the last key writes the session's changes, if
// any, atomically (platform/atomic_file.h) and releases the lock. So one
// save_settings is all-or-nothing for other processes, two processes saving
// at once serialise without undoing each other's values, and a crash or a
// failed step during a save leaves the previous file whole. When the lock
// cannot be had, or the store is there but cannot be read (not a regular
// file, larger than kMaxSettingsFileSize, unreadable), writes fail and reads
// go on (reading as empty). last_error() says what failed and on which file.
// Keep keys open only for one operation.
//
// A damaged or hand-edited file never fails the open: what cannot be decoded
// reads as a value of unknown type, and the typed reads fail for it.
//
// A Registry is single-threaded and must outlive its keys.
#ifndef LEXORA_PLATFORM_QT_REGISTRY_H_
#define LEXORA_PLATFORM_QT_REGISTRY_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lexora {

// The stored type codes (the system registry's numbers, so that a value
// copied by hand from an exported key keeps its meaning).
enum class RegistryType : std::uint32_t {
  kNone = 0,    // undecodable entry of a damaged file
  kText = 1,    // REG_SZ
  kBinary = 3,  // REG_BINARY
  kNumber = 4,  // REG_DWORD
};

inline constexpr std::size_t kNumberSize = 4;
inline constexpr std::size_t kFlagSize = 1;

class RegistryKey;

class Registry {
 public:
  // `file_path`: the INI file (UTF-8). Nothing is read or created until a
  // key is opened; the folder is created on the first open.
  explicit Registry(std::string file_path);
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  // $XDG_CONFIG_HOME/Lexora/Lexora.ini, with ~/.config when XDG_CONFIG_HOME
  // is unset, empty or relative.
  static std::string default_file_path();

  const std::string& file_path() const { return file_path_; }

  // What the last failure of the current or last session was, with the file
  // and the system's reason ("cannot write PATH: flushing ... failed: ...");
  // empty when nothing failed. Cleared when a session starts.
  const std::string& last_error() const { return error_; }

  // Opens the subkey `name` of the program's key (empty: the program's key
  // itself), creating it when missing.
  RegistryKey create_key(std::string_view name);

 private:
  friend class RegistryKey;
  struct Session;
  void open_session();
  void take_snapshot();
  bool begin_write();
  bool close_session();
  // The store's bytes; a missing store is empty. False (error_ set) when it
  // is there but cannot be read.
  bool read_store(std::string* bytes);

  std::string file_path_;
  std::string error_;
  std::unique_ptr<Session> session_;
  int open_keys_ = 0;
};

class RegistryKey {
 public:
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&&) = delete;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey();

  // Closes the key. Closing the last open key of the registry writes the
  // session's changes; the result tells whether that write (if any) worked.
  // Closing twice is harmless.
  bool close();

  // The raw query. `data` null asks for the size only. On success *type and
  // *size receive the value's type and data length and `data` (if given)
  // its bytes. Fails for a missing value, or when `data` is given and *size
  // is smaller than the data (*size then receives the length needed).
  bool query_value(std::string_view name, RegistryType* type, std::uint8_t* data,
                   std::uint32_t* size) const;
  // Stores `data` as a value of `type`, replacing any value of that name.
  bool set_value(std::string_view name, RegistryType type, std::span<const std::uint8_t> data);
  // Fails when the value is missing.
  bool delete_value(std::string_view name);

  // A number: a kNumber value of 4 bytes; a shorter one (a flag) is
  // zero-extended. Anything else fails.
  std::optional<std::int32_t> read_number(std::string_view name) const;
  // A flag: a kNumber value of 1 to 4 bytes, true when any byte is non-zero
  // (a 4-byte number where a flag belongs is read, not refused).
  std::optional<bool> read_flag(std::string_view name) const;
  // A text: a kText value, cut at its first zero (which drops the
  // terminating one). `max_bytes` is the caller's buffer: a longer value
  // (terminator included) fails.
  std::optional<std::u16string> read_text(std::string_view name,
                                          std::size_t max_bytes = SIZE_MAX) const;

  bool write_number(std::string_view name, std::int32_t value);
  bool write_flag(std::string_view name, bool value);
  // Written with its terminating zero: (length + 1) * 2 bytes.
  bool write_text(std::string_view name, std::u16string_view value);

 private:
  friend class Registry;
  RegistryKey(Registry* registry, std::string group);
  std::optional<std::pair<RegistryType, std::vector<std::uint8_t>>> fetch(
      std::string_view name) const;

  Registry* registry_;  // null once closed
  std::string group_;   // escaped group prefix ("" or "name/")
};

}  // namespace lexora

#endif  // LEXORA_PLATFORM_QT_REGISTRY_H_
