// lexora-cli failures, run as a program: every failure says on stderr what
// failed and on which file and exits non-zero; files that are not regular
// files, endless input and output that cannot be written are errors, never
// a hang, an exhausted memory or a silent success.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/cli_runner.h"
#include "compiler/dictionary_writer.h"
#include "compiler/pack_writer.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

using test::CliResult;

// A command that blocks (on a FIFO, on endless input) fails the test
// instead of hanging it.
constexpr int kTimeLimitSeconds = 60;

// A short 8 kHz mono 16-bit PCM WAV.
std::vector<std::uint8_t> beep() {
  constexpr std::uint32_t kSamples = 4000;
  std::vector<std::uint8_t> wav;
  const auto put = [&wav](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) wav.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const auto tag = [&wav](std::string_view t) {
    for (char c : t) wav.push_back(static_cast<std::uint8_t>(c));
  };
  tag("RIFF");
  put(36 + kSamples * 2, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);
  put(1, 2);
  put(8000, 4);
  put(16000, 4);
  put(2, 2);
  put(16, 2);
  tag("data");
  put(kSamples * 2, 4);
  for (std::uint32_t i = 0; i < kSamples; ++i) put((i % 16) * 1000, 2);
  return wav;
}

class CliFailuresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    compiler::DictionarySource source;
    source.entries = {{u"cat", u"cat article"}, {u"dog", u"dog article"}};
    source.abbreviations = {{u"adj", u"adjective"}};
    std::string error;
    ASSERT_TRUE(compiler::write_dictionary_file(dir_.file("d.zd"), source, {}, &error)) << error;
    std::vector<std::uint8_t> big(3 << 20);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 31 / 7);
    big_ = big;
    ASSERT_TRUE(compiler::write_pack_file(
        dir_.file("d.zpak"),
        {{u"a.png", {1, 2}, false}, {u"beep.wav", beep(), false}, {u"big.wav", big, false}}, {},
        &error))
        << error;
    fifo_ = dir_.file("fifo");
    ASSERT_EQ(::mkfifo(fifo_.c_str(), 0600), 0);
  }

  // Runs lexora-cli under a time limit, stdin from `in` and stdout to `out`
  // (a file path) when given.
  CliResult run(const std::string& args, const std::string& in = "/dev/null",
                const std::string& out = "") {
    return test::run_cli_wired(dir_, args, {in, out, kTimeLimitSeconds});
  }

  std::string q(const std::string& path) const { return "'" + path + "'"; }

  test::TempDir dir_;
  std::string fifo_;
  std::vector<std::uint8_t> big_;
};

TEST_F(CliFailuresTest, EveryCommandSaysWhichFileDoesNotOpenAndWhy) {
  const std::string none = dir_.file("none.zd");
  for (const std::string& args :
       {"info " + q(none), "words " + q(none), "find " + q(none) + " a",
        "article " + q(none) + " 0", "abbrev " + q(none) + " adj", "render " + q(none) + " 0",
        "verify " + q(none), "pack list " + q(none), "pack get " + q(none) + " a.png",
        "play " + q(none) + " a.wav", "image " + q(none) + " a.png", "flashcard --list " + q(none),
        "send-colours " + q(none), "build " + q(none) + " -o " + q(dir_.file("out.zd"))}) {
    SCOPED_TRACE(args);
    const CliResult r = run(args);
    EXPECT_NE(r.exit_code, 0);
    EXPECT_NE(r.err.find(none), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no such file"), std::string::npos) << r.err;
  }
}

TEST_F(CliFailuresTest, MissingEntriesAreNamed) {
  const std::string d = q(dir_.file("d.zd"));
  EXPECT_EQ(run("article " + d + " 7").err,
            "Error: no article at position 7 in " + dir_.file("d.zd") + "\n");
  EXPECT_EQ(run("abbrev " + d + " noun").err,
            "Error: no abbreviation \"noun\" in " + dir_.file("d.zd") + "\n");
  EXPECT_EQ(run("pack get " + d + " b.png").err,
            "Error: no entry b.png in " + dir_.file("d.zpak") + "\n");
  EXPECT_EQ(run("image " + d + " b.png").exit_code, 1);
  test::write_file(dir_.file("other.zd"), test::read_file(dir_.file("d.zd")));
  EXPECT_NE(run("pack list " + q(dir_.file("other.zd"))).err.find("no usable resource pack"),
            std::string::npos);
}

// A FIFO (which would block a reader for ever) and a device are refused at
// once with a clear message, wherever the program reads a file.
TEST_F(CliFailuresTest, FilesThatAreNotRegularFilesAreRefusedAtOnce) {
  for (const std::string& file : {fifo_, std::string("/dev/zero")}) {
    for (const std::string& args :
         {"info " + q(file), "flashcard --list " + q(file), "send-colours " + q(file),
          "render " + q(dir_.file("d.zd")) + " 0 --colours " + q(file),
          "settings --file " + q(file), "build " + q(file) + " -o " + q(dir_.file("o.zd"))}) {
      SCOPED_TRACE(args);
      const CliResult r = run(args);
      EXPECT_EQ(r.exit_code, 1);
      EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
    }
  }
}

TEST_F(CliFailuresTest, FilesOfAnotherKindSayWhatTheyAreNot) {
  test::write_file(dir_.file("zeros"), std::vector<std::uint8_t>(4096, 0));
  CliResult r = run("flashcard --list " + q(dir_.file("zeros")));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Error: Integrity error: " + dir_.file("zeros") +
                       " is not a flash-card database, or is damaged\n");
  r = run("send-colours " + q(dir_.file("zeros")));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Error: Integrity error: " + dir_.file("zeros") + " is not a colour profile\n");
}

// Endless input is refused once past its documented cap, in bounded memory.
TEST_F(CliFailuresTest, EndlessInputIsRefusedPastItsCap) {
  CliResult r = run("markup", "/dev/zero");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Error: the input is larger than 64 MiB\n");
  for (const char* command : {"find", "article"}) {
    r = run(std::string(command) + " " + q(dir_.file("d.zd")) + " -", "/dev/zero");
    EXPECT_EQ(r.exit_code, 1) << command;
    EXPECT_EQ(r.err, "Error: an input line is longer than 1 MiB\n") << command;
  }
}

// Output to a full device is an error, not a silent success.
TEST_F(CliFailuresTest, OutputThatCannotBeWrittenIsAnError) {
  const std::string d = q(dir_.file("d.zd"));
  test::write_file(dir_.file("lines"), "cat\ndog\n");
  for (const std::string& args :
       {"info " + d, "words " + d, "article " + d + " 0", "render " + d + " 0", "verify " + d,
        "pack list " + d, "pack get " + d + " big.wav", "find " + d + " -", "abbrev " + d + " adj",
        "image " + d + " @sound"}) {
    SCOPED_TRACE(args);
    const CliResult r = run(args, dir_.file("lines"), "/dev/full");
    EXPECT_NE(r.exit_code, 0);
    EXPECT_NE(r.err.find("cannot write the output"), std::string::npos) << r.err;
  }
}

TEST_F(CliFailuresTest, CaptureThatCannotBeWrittenIsAnError) {
  const std::string d = q(dir_.file("d.zd"));
  CliResult r = run("play " + d + " beep.wav --capture " + q(dir_.file("beep-out.wav")));
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = run("play " + d + " beep.wav --capture /dev/full");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Error: cannot write /dev/full\n");
}

TEST_F(CliFailuresTest, PackGetStreamsAStoredEntryWhole) {
  const CliResult r = run("pack get " + q(dir_.file("d.zd")) + " big.wav");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, std::string(big_.begin(), big_.end()));
}

TEST_F(CliFailuresTest, BuildRefusesVersionsNoReaderOpensAndEmptyBlocks) {
  test::write_file(dir_.file("src.txt"), "sun\tthe sun\n");
  const std::string build = "build " + q(dir_.file("src.txt")) + " -o " + q(dir_.file("o.zd"));
  for (const char* version : {"0", "1", "6", "7"}) {
    const CliResult r = run(build + " --version " + version);
    EXPECT_EQ(r.exit_code, 1) << version;
    EXPECT_EQ(r.err, std::string("build: version ") + version + " is not one of 2 to 5\n");
  }
  CliResult r = run(build + " --articles-per-block 0");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "build: --articles-per-block must be at least 1\n");
  test::write_file(dir_.file("v9.txt"), "@version 9\nsun\tthe sun\n");
  EXPECT_EQ(run("build " + q(dir_.file("v9.txt")) + " -o " + q(dir_.file("o.zd"))).exit_code, 1);
  test::write_file(dir_.file("apb.txt"), "@articles_per_block 0\nsun\tthe sun\n");
  r = run("build " + q(dir_.file("apb.txt")) + " -o " + q(dir_.file("o.zd")));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("@articles_per_block must be at least 1"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir_.file("o.zd")));
  EXPECT_EQ(run(build + " --version 2").exit_code, 0);
}

}  // namespace
}  // namespace lexora
