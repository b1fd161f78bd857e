// Command words, reply framing and MIME pieces.
#include <gtest/gtest.h>

#include "dictd/command_line.h"
#include "dictd/mime.h"
#include "dictd/reply.h"

namespace lexora::dictd {
namespace {

using Words = std::vector<std::string>;

TEST(CommandLineTest, SplitsAtBlanksAndHonoursQuotesAndEscapes) {
  EXPECT_EQ(split_command("DEFINE  en\thouse"), (Words{"DEFINE", "en", "house"}));
  EXPECT_EQ(split_command("MATCH * . \"ice cream\""), (Words{"MATCH", "*", ".", "ice cream"}));
  EXPECT_EQ(split_command("x 'it''s' \"a\\\"b\" c\\ d"), (Words{"x", "its", "a\"b", "c d"}));
  EXPECT_EQ(split_command("x \"\""), (Words{"x", ""}));
  EXPECT_EQ(split_command("   "), Words{});
  EXPECT_EQ(split_command("\"a\"b'c d'"), (Words{"abc d"}));
}

TEST(CommandLineTest, RefusesOpenQuotesTrailingBackslashesAndControlCharacters) {
  EXPECT_FALSE(split_command("DEFINE en \"house"));
  EXPECT_FALSE(split_command("DEFINE en house\\"));
  EXPECT_FALSE(split_command(std::string("DEFINE en h\0use", 15)));
  EXPECT_FALSE(split_command("DEFINE\x1b[2J en"));
  EXPECT_TRUE(split_command("DEFINE en \xd0\xb4\xd0\xbe\xd0\xbc"));
}

TEST(CommandLineTest, QuoteEscapesQuotesAndBackslashes) {
  EXPECT_EQ(quote("ice cream"), "\"ice cream\"");
  EXPECT_EQ(quote("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(split_command("w " + quote("a\"b\\c"))->at(1), "a\"b\\c");
}

TEST(ReplyTest, TextBlocksUseCrLfStuffDotsAndEndWithADot) {
  std::string out;
  append_text_block(&out, ".one\ntwo\r\n..three\rfour\n");
  EXPECT_EQ(out, "..one\r\ntwo\r\n...three\r\nfour\r\n.\r\n");
  out.clear();
  append_text_block(&out, "");
  EXPECT_EQ(out, ".\r\n");
  out.clear();
  append_status(&out, kNoMatch, "no match");
  EXPECT_EQ(out, "552 no match\r\n");
}

TEST(ReplyTest, LongLinesAreBrokenBetweenCharactersWithinTheLimit) {
  std::string text;
  for (int i = 0; i < 800; ++i) text += "д";  // 1600 bytes
  text = "." + text;
  std::string out;
  append_text_block(&out, text);
  std::size_t start = 0, lines = 0, bytes = 0;
  while (start < out.size()) {
    const std::size_t end = out.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LE(end + 2 - start, kMaxLineBytes);
    std::string line = out.substr(start, end - start);
    if (line != ".") {
      if (line[0] == '.') line.erase(0, 1);
      bytes += line.size();
      // Each piece is whole UTF-8: it never starts with a continuation byte.
      EXPECT_NE(static_cast<unsigned char>(line[0]) & 0xC0, 0x80);
      ++lines;
    }
    start = end + 2;
  }
  EXPECT_EQ(lines, 2u);
  EXPECT_EQ(bytes, text.size());
}

TEST(MimeTest, Base64MatchesTheStandardAlphabetAndPadding) {
  EXPECT_EQ(base64_lines("", 76), "");
  EXPECT_EQ(base64_lines("f", 76), "Zg==");
  EXPECT_EQ(base64_lines("fo", 76), "Zm8=");
  EXPECT_EQ(base64_lines("foobar", 76), "Zm9vYmFy");
  EXPECT_EQ(base64_lines("\xff\xfe\x00", 76).size(), 4u);
  EXPECT_EQ(base64_lines("foobarfoobar", 8), "Zm9vYmFy\nZm9vYmFy");
}

TEST(MimeTest, MultipartHoldsThePlainTextAndTheHtml) {
  const std::string body = multipart_alternative("word\n  text", "<html>", 7);
  EXPECT_EQ(
      body,
      "Content-Type: multipart/alternative; boundary=\"=_lexora_7\"\n\n"
      "--=_lexora_7\nContent-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: 8bit\n\n"
      "word\n  text\n"
      "--=_lexora_7\nContent-Type: text/html; charset=utf-8\nContent-Transfer-Encoding: base64\n\n"
      "PGh0bWw+\n--=_lexora_7--\n");
}

}  // namespace
}  // namespace lexora::dictd
