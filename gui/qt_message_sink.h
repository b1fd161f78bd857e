// The program's message boxes: shows each message as a modal QMessageBox
// over its owner window (the active window unless the message names one).
#ifndef LEXORA_GUI_QT_MESSAGE_SINK_H_
#define LEXORA_GUI_QT_MESSAGE_SINK_H_

#include "platform/messages.h"

namespace lexora {

class QtMessageSink : public MessageSink {
 public:
  MessageResult show(const Message& message) override;
};

}  // namespace lexora

#endif  // LEXORA_GUI_QT_MESSAGE_SINK_H_
