// Writing DICT replies: status lines and dot-stuffed text blocks.
#ifndef LEXORA_DICTD_REPLY_H_
#define LEXORA_DICTD_REPLY_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace lexora::dictd {

// Status codes of RFC 2229.
inline constexpr int kDatabasesPresent = 110;
inline constexpr int kStrategiesAvailable = 111;
inline constexpr int kDatabaseInfoFollows = 112;
inline constexpr int kHelpFollows = 113;
inline constexpr int kServerInfoFollows = 114;
inline constexpr int kDefinitionsRetrieved = 150;
inline constexpr int kDefinitionFollows = 151;
inline constexpr int kMatchesFound = 152;
inline constexpr int kStatus = 210;
inline constexpr int kBanner = 220;
inline constexpr int kClosing = 221;
inline constexpr int kOk = 250;
inline constexpr int kTemporarilyUnavailable = 420;
inline constexpr int kShuttingDown = 421;
inline constexpr int kUnknownCommand = 500;
inline constexpr int kIllegalParameters = 501;
inline constexpr int kNotImplemented = 502;
inline constexpr int kInvalidDatabase = 550;
inline constexpr int kInvalidStrategy = 551;
inline constexpr int kNoMatch = 552;
inline constexpr int kNoDatabases = 554;
inline constexpr int kNoStrategies = 555;

// Lines are at most this many bytes, CR LF included.
inline constexpr std::size_t kMaxLineBytes = 1024;

// "CODE text\r\n".
void append_status(std::string* out, int code, std::string_view text);

// `text` as a text block: every line (ended by "\r\n", '\n' or '\r', or by
// the end of the text) goes out with CR LF; a line that begins with '.' gets
// a second '.'; a line too long for kMaxLineBytes is broken (between UTF-8
// characters); the block ends with ".\r\n". An empty text is a block with no
// lines.
void append_text_block(std::string* out, std::string_view text);

}  // namespace lexora::dictd

#endif  // LEXORA_DICTD_REPLY_H_
