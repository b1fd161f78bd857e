// The engine's errors and warnings as values. An operation that fails for a
// reason the user should hear about records a Status on its Dictionary
// (last_error()) and hands it to the dictionary's listener; the program and
// the tools decide how to show it (a message box, a line on stderr, a log
// line of the server naming the database), so that a tool holding several
// dictionaries, or a server answering many clients, knows whose error it was.
//
// The out-of-memory stop is not a Status: it ends the process
// (platform/messages.h).
#ifndef LEXORA_ENGINE_STATUS_H_
#define LEXORA_ENGINE_STATUS_H_

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "platform/messages.h"

namespace lexora {

enum class StatusCode {
  kOk,
  // The file does not open as a regular file. The engine has no message for
  // it: the caller says "Can't open file %s". Detail: errno.
  kCannotOpen,
  // "Wrong version or file format": not a dictionary of versions 2 to 5.
  kWrongVersion,
  // "Integrity error": bad data, or a block that cannot be read.
  kIntegrityError,
  // "Codepage %d isn't supported"; a warning, opening goes on. Detail: the
  // code page.
  kUnsupportedCodePage,
  // The word-conversion plug-in has no Convert export; a warning, the lookup
  // goes on without it.
  kConverterWithoutExport,
};

class Status {
 public:
  Status() = default;  // OK
  static Status cannot_open(int error) { return Status(StatusCode::kCannotOpen, error); }
  static Status wrong_version() { return Status(StatusCode::kWrongVersion); }
  static Status integrity_error() { return Status(StatusCode::kIntegrityError); }
  static Status unsupported_code_page(std::uint32_t code_page) {
    return Status(StatusCode::kUnsupportedCodePage, code_page);
  }
  static Status converter_without_export() { return Status(StatusCode::kConverterWithoutExport); }

  bool ok() const { return code_ == StatusCode::kOk; }
  StatusCode code() const { return code_; }
  // The id of the message in the string table; 0 when the string table has
  // none (OK, a file that does not open, the plug-in's own text).
  int message_id() const;
  // The number the message or the caller needs (the code page, errno).
  std::optional<std::int64_t> detail() const { return detail_; }
  // Whether the user is told of it: every status but OK and kCannotOpen.
  bool has_message() const { return code_ != StatusCode::kOk && code_ != StatusCode::kCannotOpen; }
  // The text as the user reads it ("Codepage 874 isn't supported"); empty
  // when there is no message.
  std::string message() const;

  friend bool operator==(const Status&, const Status&) = default;

 private:
  explicit Status(StatusCode code, std::optional<std::int64_t> detail = std::nullopt)
      : code_(code), detail_(detail) {}

  StatusCode code_ = StatusCode::kOk;
  std::optional<std::int64_t> detail_;
};

// The message box that tells the user of `status` (has_message() must hold):
// the engine's errors and warnings with the caption "Error" and the stop
// icon, owned by the active window; the plug-in's box plain, captioned
// "error", without owner.
Message status_message(const Status& status);

// For test output and logs: the message, or the code's name.
std::ostream& operator<<(std::ostream& out, const Status& status);

// Receives each status with a message as its operation meets it, in order.
using StatusListener = std::function<void(const Status&)>;

}  // namespace lexora

#endif  // LEXORA_ENGINE_STATUS_H_
