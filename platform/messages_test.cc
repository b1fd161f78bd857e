#include "platform/messages.h"

#include <gtest/gtest.h>

#include "resources/string_table.h"
#include "testing/recording_message_sink.h"

namespace lexora {
namespace {

TEST(MessagesTest, RecorderTakesTextsFromTheStringTable) {
  RecordingMessageSink recorder;
  show_message(str::kIntegrityError, str::kError, MessageIcon::kError);
  ASSERT_EQ(recorder.messages().size(), 1u);
  EXPECT_EQ(recorder.messages()[0].text, "Integrity error");
  EXPECT_EQ(recorder.messages()[0].caption, "Error");
  EXPECT_EQ(recorder.messages()[0].icon, MessageIcon::kError);
}

TEST(MessagesTest, RecorderAnswersFromItsScriptThenYes) {
  RecordingMessageSink recorder;
  recorder.answer_next(MessageResult::kNo);
  EXPECT_EQ(show_message(str::kReplaceExistingFile, str::kSaveFile, MessageIcon::kQuestion,
                         MessageButtons::kYesNo),
            MessageResult::kNo);
  EXPECT_EQ(show_message(str::kReplaceExistingFile, str::kSaveFile, MessageIcon::kQuestion,
                         MessageButtons::kYesNo),
            MessageResult::kYes);
}

TEST(MessagesTest, RecorderRestoresThePreviousSink) {
  MessageSink* before = message_sink();
  {
    RecordingMessageSink outer;
    {
      RecordingMessageSink inner;
      EXPECT_EQ(message_sink(), &inner);
    }
    EXPECT_EQ(message_sink(), &outer);
  }
  EXPECT_EQ(message_sink(), before);
}

TEST(MessagesTest, FormatFillsTheFirstPlaceholder) {
  EXPECT_EQ(format_message(string_text(str::kCodepageNotSupported), 1234),
            "Codepage 1234 isn't supported");
  EXPECT_EQ(format_message(string_text(str::kCantOpenFile), "/tmp/a %d.zd"),
            "Can't open file /tmp/a %d.zd");
  EXPECT_EQ(format_message("no placeholder", 1), "no placeholder");
}

TEST(MessagesTest, StringTableMissesUnknownIds) {
  EXPECT_EQ(string_text(str::kCheckCrc), "Check CRC");
  EXPECT_TRUE(string_text(99999).empty());
}

TEST(MessagesDeathTest, OutOfMemoryStopExitsWithMinusOne) {
  EXPECT_EXIT(out_of_memory_stop(), ::testing::ExitedWithCode(255), "Error: No enough memory");
}

}  // namespace
}  // namespace lexora
