// Message boxes. Every message the program shows to the user goes through
// show_message(), which hands it to the process's MessageSink: the GUI
// installs one that shows a QMessageBox, lexora-cli one that prints
// "Caption: text" to stderr, and tests one that records each message and
// answers questions from a script (testing/recording_message_sink.h).
//
// The sink is process-wide state of the platform layer (it stands in for the
// system's message-box service); engine and render code never install one.
// When no sink is installed, messages go to stderr. The engine shows nothing
// through it but the out-of-memory stop: its errors are Status values
// (engine/status.h) that the program and the tools show as they see fit.
#ifndef LEXORA_PLATFORM_MESSAGES_H_
#define LEXORA_PLATFORM_MESSAGES_H_

#include <string>
#include <string_view>

namespace lexora {

enum class MessageIcon { kNone, kError, kWarning, kInformation, kQuestion };
enum class MessageButtons { kOk, kYesNo, kOkCancel };
enum class MessageResult { kOk, kCancel, kYes, kNo };

// Which window owns the box. kActiveWindow is the usual case; kNone is a box
// without owner (the word-conversion plug-in's); kWindow names one through
// `owner_window`, an opaque pointer that only the GUI sink interprets.
enum class MessageOwner { kActiveWindow, kNone, kWindow };

struct Message {
  std::string text;     // UTF-8
  std::string caption;  // UTF-8
  MessageIcon icon = MessageIcon::kNone;
  MessageButtons buttons = MessageButtons::kOk;
  MessageOwner owner = MessageOwner::kActiveWindow;
  const void* owner_window = nullptr;
};

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual MessageResult show(const Message& message) = 0;
};

// Installs `sink` (not owned; nullptr restores the stderr sink) and returns
// the one it replaces, so callers can restore it.
MessageSink* set_message_sink(MessageSink* sink);
MessageSink* message_sink();

MessageResult show_message(const Message& message);
// The common case: texts from the string table by id.
MessageResult show_message(int text_id, int caption_id, MessageIcon icon,
                           MessageButtons buttons = MessageButtons::kOk);
// A text of its own (already formatted) with a caption from the string table.
MessageResult show_message_text(std::string_view text, int caption_id, MessageIcon icon,
                                MessageButtons buttons = MessageButtons::kOk);

// Replaces the first "%d" or "%s" in `format` by `value`, as the string-table
// texts with one placeholder expect ("Codepage %d isn't supported").
std::string format_message(std::string_view format, std::string_view value);
std::string format_message(std::string_view format, long long value);

// The out-of-memory stop: shows "No enough memory" with caption "Error" and
// ends the process with exit code -1 (255 as the shell sees it). Only for real
// allocation failures; bad data is reported as an integrity error instead.
[[noreturn]] void out_of_memory_stop();

// Prints "Caption: text" on stderr and answers Yes/Ok to every question.
class StderrMessageSink : public MessageSink {
 public:
  MessageResult show(const Message& message) override;
};

}  // namespace lexora

#endif  // LEXORA_PLATFORM_MESSAGES_H_
