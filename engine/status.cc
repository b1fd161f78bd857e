#include "engine/status.h"

#include <ostream>

#include "resources/string_table.h"

namespace lexora {
namespace {

// The plug-in's box is its own: a literal text and caption, no icon.
constexpr char kConvertMissingText[] = "Convert not found";
constexpr char kConvertMissingCaption[] = "error";

}  // namespace

int Status::message_id() const {
  switch (code_) {
    case StatusCode::kWrongVersion:
      return str::kWrongVersion;
    case StatusCode::kIntegrityError:
      return str::kIntegrityError;
    case StatusCode::kUnsupportedCodePage:
      return str::kCodepageNotSupported;
    case StatusCode::kOk:
    case StatusCode::kCannotOpen:
    case StatusCode::kConverterWithoutExport:
      break;
  }
  return 0;
}

std::string Status::message() const {
  if (code_ == StatusCode::kConverterWithoutExport) return kConvertMissingText;
  const int id = message_id();
  if (id == 0) return {};
  const std::string_view text = string_text(id);
  return detail_ ? format_message(text, static_cast<long long>(*detail_)) : std::string(text);
}

Message status_message(const Status& status) {
  Message message;
  message.text = status.message();
  message.buttons = MessageButtons::kOk;
  if (status.code() == StatusCode::kConverterWithoutExport) {
    message.caption = kConvertMissingCaption;
    message.icon = MessageIcon::kNone;
    message.owner = MessageOwner::kNone;
  } else {
    message.caption = std::string(string_text(str::kError));
    message.icon = MessageIcon::kError;
    message.owner = MessageOwner::kActiveWindow;
  }
  return message;
}

std::ostream& operator<<(std::ostream& out, const Status& status) {
  if (status.ok()) return out << "OK";
  if (status.has_message()) return out << status.message();
  out << "cannot open";
  if (status.detail()) out << " (errno " << *status.detail() << ')';
  return out;
}

}  // namespace lexora
