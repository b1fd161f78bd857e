#include "platform/messages.h"

#include <cstdio>
#include <cstdlib>

#include "resources/string_table.h"

namespace lexora {
namespace {

StderrMessageSink& default_sink() {
  static StderrMessageSink sink;
  return sink;
}

MessageSink* g_sink = nullptr;

MessageResult affirmative(MessageButtons buttons) {
  return buttons == MessageButtons::kYesNo ? MessageResult::kYes : MessageResult::kOk;
}

std::string replace_placeholder(std::string_view format, std::string_view value) {
  std::string out;
  out.reserve(format.size() + value.size());
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() &&
        (format[i + 1] == 'd' || format[i + 1] == 's')) {
      out.append(format.substr(0, i));
      out.append(value);
      out.append(format.substr(i + 2));
      return out;
    }
  }
  return std::string(format);
}

}  // namespace

MessageSink* set_message_sink(MessageSink* sink) {
  MessageSink* previous = g_sink;
  g_sink = sink;
  return previous;
}

MessageSink* message_sink() {
  return g_sink ? g_sink : &default_sink();
}

MessageResult show_message(const Message& message) {
  return message_sink()->show(message);
}

MessageResult show_message(int text_id, int caption_id, MessageIcon icon, MessageButtons buttons) {
  return show_message_text(string_text(text_id), caption_id, icon, buttons);
}

MessageResult show_message_text(std::string_view text, int caption_id, MessageIcon icon,
                                MessageButtons buttons) {
  Message message;
  message.text = std::string(text);
  message.caption = std::string(string_text(caption_id));
  message.icon = icon;
  message.buttons = buttons;
  return show_message(message);
}

std::string format_message(std::string_view format, std::string_view value) {
  return replace_placeholder(format, value);
}

std::string format_message(std::string_view format, long long value) {
  return replace_placeholder(format, std::to_string(value));
}

void out_of_memory_stop() {
  show_message(str::kNoEnoughMemory, str::kError, MessageIcon::kError);
  std::fflush(nullptr);
  std::exit(-1);
}

MessageResult StderrMessageSink::show(const Message& message) {
  std::fprintf(stderr, "%s: %s\n", message.caption.c_str(), message.text.c_str());
  return affirmative(message.buttons);
}

}  // namespace lexora
