// The program's message boxes: shows each message as a modal QMessageBox
// over its owner window (the active window unless the message names one),
// and the one way the program tells the user of the engine's statuses.
#ifndef LEXORA_GUI_QT_MESSAGE_SINK_H_
#define LEXORA_GUI_QT_MESSAGE_SINK_H_

#include "engine/status.h"
#include "platform/messages.h"

namespace lexora {

class QtMessageSink : public MessageSink {
 public:
  MessageResult show(const Message& message) override;
};

// Shows `status` as the box the user knows for it ("Integrity error",
// "Codepage %d isn't supported", the plug-in's "Convert not found"); nothing
// for a status without a message. The listener of every dictionary the
// program opens.
void show_engine_status(const Status& status);

}  // namespace lexora

#endif  // LEXORA_GUI_QT_MESSAGE_SINK_H_
