// A message sink for tests: records every message shown through
// platform/messages and answers questions from a script. Header-only, so
// that tests, benchmarks and fuzz targets use it without linking anything.
#ifndef LEXORA_TESTING_RECORDING_MESSAGE_SINK_H_
#define LEXORA_TESTING_RECORDING_MESSAGE_SINK_H_

#include <deque>
#include <string>
#include <vector>

#include "platform/messages.h"

namespace lexora {

// Installs itself on construction and restores the previous sink on
// destruction. Questions are answered from a queue, then with Yes (or Ok).
class RecordingMessageSink : public MessageSink {
 public:
  RecordingMessageSink() : previous_(set_message_sink(this)) {}
  ~RecordingMessageSink() override { set_message_sink(previous_); }
  RecordingMessageSink(const RecordingMessageSink&) = delete;
  RecordingMessageSink& operator=(const RecordingMessageSink&) = delete;

  MessageResult show(const Message& message) override {
    messages_.push_back(message);
    if (answers_.empty()) {
      return message.buttons == MessageButtons::kYesNo ? MessageResult::kYes : MessageResult::kOk;
    }
    const MessageResult answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  void answer_next(MessageResult result) { answers_.push_back(result); }
  const std::vector<Message>& messages() const { return messages_; }
  // The texts shown, in order, for compact assertions.
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    out.reserve(messages_.size());
    for (const Message& m : messages_) out.push_back(m.text);
    return out;
  }
  void clear() { messages_.clear(); }

 private:
  std::vector<Message> messages_;
  std::deque<MessageResult> answers_;
  MessageSink* previous_;
};

}  // namespace lexora

#endif  // LEXORA_TESTING_RECORDING_MESSAGE_SINK_H_
