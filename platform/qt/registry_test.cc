#include "platform/qt/registry.h"
#include "platform/qt/registry_encoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>

#include "platform/file_lock.h"
#include "platform/system_calls.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

using test::TempDir;

std::string read_text_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class RegistryTest : public ::testing::Test {
 protected:
  std::string path() const { return dir_.file("cfg/Lexora.ini"); }
  TempDir dir_;
};

TEST_F(RegistryTest, MissingStoreOpensAndReadsNothing) {
  Registry registry(path());
  RegistryKey key = registry.create_key("");
  EXPECT_FALSE(key.read_number("Text size"));
  EXPECT_FALSE(key.query_value("Text size", nullptr, nullptr, nullptr));
  EXPECT_FALSE(key.delete_value("Text size"));
  EXPECT_TRUE(key.close());
  // Opening and reading alone writes nothing.
  EXPECT_FALSE(std::filesystem::exists(path()));
}

TEST_F(RegistryTest, TypedValuesRoundTripWithTheirStoredForms) {
  {
    Registry registry(path());
    RegistryKey key = registry.create_key("");
    EXPECT_TRUE(key.write_number("n", -2));
    EXPECT_TRUE(key.write_number("min", INT32_MIN));
    EXPECT_TRUE(key.write_flag("f", true));
    EXPECT_TRUE(key.write_flag("off", false));
    EXPECT_TRUE(key.write_text("t", u"Ünïcode \U0001F600 \"q\", ;#=\t\\"));
    EXPECT_TRUE(key.write_text("empty", u""));
    EXPECT_TRUE(key.close());
  }
  Registry registry(path());
  RegistryKey key = registry.create_key("");
  EXPECT_EQ(key.read_number("n"), -2);
  EXPECT_EQ(key.read_number("min"), INT32_MIN);
  EXPECT_EQ(key.read_flag("f"), true);
  EXPECT_EQ(key.read_flag("off"), false);
  EXPECT_EQ(key.read_text("t"), u"Ünïcode \U0001F600 \"q\", ;#=\t\\");
  EXPECT_EQ(key.read_text("empty"), u"");

  RegistryType type = RegistryType::kNone;
  std::uint32_t size = 0;
  ASSERT_TRUE(key.query_value("n", &type, nullptr, &size));
  EXPECT_EQ(type, RegistryType::kNumber);
  EXPECT_EQ(size, 4u);
  ASSERT_TRUE(key.query_value("f", &type, nullptr, &size));
  EXPECT_EQ(type, RegistryType::kNumber);
  EXPECT_EQ(size, 1u);  // a flag keeps its one data byte
  ASSERT_TRUE(key.query_value("empty", &type, nullptr, &size));
  EXPECT_EQ(type, RegistryType::kText);
  EXPECT_EQ(size, 2u);  // just the terminating zero

  std::uint8_t bytes[4] = {};
  size = sizeof bytes;
  ASSERT_TRUE(key.query_value("n", &type, bytes, &size));
  EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 4),
            (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST_F(RegistryTest, ReadingFailsForAShortBufferOrAnotherType) {
  Registry registry(path());
  RegistryKey key = registry.create_key("");
  ASSERT_TRUE(key.write_text("t", u"abc"));
  ASSERT_TRUE(key.write_number("n", 7));

  std::uint8_t buffer[8] = {};
  std::uint32_t size = 7;  // the text needs 8 bytes
  EXPECT_FALSE(key.query_value("t", nullptr, buffer, &size));
  EXPECT_EQ(size, 8u);
  size = 8;
  EXPECT_TRUE(key.query_value("t", nullptr, buffer, &size));

  EXPECT_FALSE(key.read_text("t", 7));
  EXPECT_EQ(key.read_text("t", 8), u"abc");
  EXPECT_FALSE(key.read_number("t"));
  EXPECT_FALSE(key.read_flag("t"));
  EXPECT_FALSE(key.read_text("n"));
  // A 4-byte number where a flag belongs reads as a flag.
  EXPECT_EQ(key.read_flag("n"), true);
}

TEST_F(RegistryTest, DeletionFailsOnlyForAMissingValue) {
  Registry registry(path());
  {
    RegistryKey key = registry.create_key("");
    ASSERT_TRUE(key.write_number("a", 1));
    ASSERT_TRUE(key.write_number("b", 2));
  }
  RegistryKey key = registry.create_key("");
  EXPECT_TRUE(key.delete_value("a"));
  EXPECT_FALSE(key.delete_value("a"));
  EXPECT_FALSE(key.read_number("a"));
  EXPECT_TRUE(key.close());
  RegistryKey again = registry.create_key("");
  EXPECT_FALSE(again.read_number("a"));
  EXPECT_EQ(again.read_number("b"), 2);
}

TEST_F(RegistryTest, AnyDictionaryFileNameIsItsOwnKey) {
  const std::vector<std::string> names = {"y.zd",
                                          "Y.zd",
                                          "with space.zd",
                                          "a/b",
                                          "a\\b",
                                          "%41",
                                          "A",
                                          "General",
                                          "%General",
                                          "\xff\xfe\x80 bad utf8",
                                          "\xc3\xa9t\xc3\xa9.zd",
                                          "x=y;z,#[s]",
                                          "\t\n",
                                          "..",
                                          "@Variant(x)",
                                          "\xe4\xb8\xad\xe6\x96\x87\xf0\x9f\x98\x80"};
  {
    Registry registry(path());
    for (std::size_t i = 0; i < names.size(); ++i) {
      RegistryKey key = registry.create_key(names[i]);
      ASSERT_TRUE(key.write_number("last_word_id", static_cast<std::int32_t>(i) + 100));
    }
    RegistryKey root = registry.create_key("");
    ASSERT_TRUE(root.write_number("last_word_id", 1));
  }
  Registry registry(path());
  for (std::size_t i = 0; i < names.size(); ++i) {
    RegistryKey key = registry.create_key(names[i]);
    EXPECT_EQ(key.read_number("last_word_id"), static_cast<std::int32_t>(i) + 100) << i;
  }
  EXPECT_EQ(registry.create_key("").read_number("last_word_id"), 1);
}

TEST_F(RegistryTest, DataTheTextFormCannotHoldIsKeptByteForByte) {
  const std::vector<std::uint8_t> embedded_zero = {'a', 0, 0, 0, 'b', 0, 0, 0};
  const std::vector<std::uint8_t> lone_surrogate = {0x00, 0xD8, 'x', 0, 0, 0};
  const std::vector<std::uint8_t> no_terminator = {'a', 0, 'b', 0};
  const std::vector<std::uint8_t> odd = {'a', 0, 0};
  const std::vector<std::uint8_t> three_byte_number = {1, 2, 3};
  {
    Registry registry(path());
    RegistryKey key = registry.create_key("k");
    ASSERT_TRUE(key.set_value("z", RegistryType::kText, embedded_zero));
    ASSERT_TRUE(key.set_value("s", RegistryType::kText, lone_surrogate));
    ASSERT_TRUE(key.set_value("t", RegistryType::kText, no_terminator));
    ASSERT_TRUE(key.set_value("o", RegistryType::kText, odd));
    ASSERT_TRUE(key.set_value("b", RegistryType::kBinary, {}));
    ASSERT_TRUE(key.set_value("n3", RegistryType::kNumber, three_byte_number));
    ASSERT_TRUE(key.set_value("weird", static_cast<RegistryType>(0xFFFFFFFF), odd));
  }
  Registry registry(path());
  RegistryKey key = registry.create_key("k");
  const auto raw = [&](const char* name, RegistryType* type) {
    std::vector<std::uint8_t> data(64);
    std::uint32_t size = 64;
    EXPECT_TRUE(key.query_value(name, type, data.data(), &size)) << name;
    data.resize(size);
    return data;
  };
  RegistryType type{};
  EXPECT_EQ(raw("z", &type), embedded_zero);
  EXPECT_EQ(raw("s", &type), lone_surrogate);
  EXPECT_EQ(raw("t", &type), no_terminator);
  EXPECT_EQ(raw("o", &type), odd);
  EXPECT_EQ(type, RegistryType::kText);
  EXPECT_TRUE(raw("b", &type).empty());
  EXPECT_EQ(type, RegistryType::kBinary);
  EXPECT_EQ(raw("n3", &type), three_byte_number);
  EXPECT_EQ(raw("weird", &type), odd);
  EXPECT_EQ(static_cast<std::uint32_t>(type), 0xFFFFFFFFu);
  // A text is cut at its first zero; one without terminator keeps every unit.
  EXPECT_EQ(key.read_text("z"), u"a");
  EXPECT_EQ(key.read_text("t"), u"ab");
  EXPECT_EQ(key.read_number("n3"), 0x030201);
}

TEST_F(RegistryTest, HandWrittenValuesDecodeOrReadAsUnknown) {
  using registry_detail::decode_value;
  EXPECT_EQ(decode_value("dword:1").second, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(decode_value("DWORD:FFFFFFFF").second,
            (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(decode_value("dword:100000000").first, RegistryType::kNone);  // more than 32 bits
  EXPECT_EQ(decode_value("dword:").first, RegistryType::kNone);
  EXPECT_EQ(decode_value("dword:-1").first, RegistryType::kNone);
  EXPECT_EQ(decode_value("flag:256").first, RegistryType::kNone);
  EXPECT_EQ(decode_value("hex(3):0a0").first, RegistryType::kNone);
  EXPECT_EQ(decode_value("hex(3)0a").first, RegistryType::kNone);
  EXPECT_EQ(decode_value("hex(99999999999):00").first, RegistryType::kNone);
  const auto text = decode_value("Liberation Sans");
  EXPECT_EQ(text.first, RegistryType::kText);
  EXPECT_EQ(text.second.size(), (15u + 1) * 2);
}

TEST_F(RegistryTest, DamagedFileGivesWhatCanBeReadAndNoMore) {
  std::filesystem::create_directories(dir_.file("cfg"));
  test::write_file(path(), std::string("[General]\n"
                                       "good=dword:00000005\n"
                                       "text=sz:Serif\n"
                                       "unknown=hex(77):0102\n"
                                       "textfornumber=sz:12\n"
                                       "huge=dword:123456789abcdef\n"
                                       "plain=hello, world\n"
                                       "variant=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x5junk)\n"
                                       "rect=@Rect(1 2 3 4)\n"
                                       "[broken section\n"
                                       "\x01\xff\xfe=\x80\x81\n"
                                       "[dict.zd]\n"
                                       "last_word_id=dword:0000002a\n"
                                       "cut=dword:00"));
  Registry registry(path());
  {
    RegistryKey key = registry.create_key("");
    EXPECT_EQ(key.read_number("good"), 5);
    EXPECT_EQ(key.read_text("text"), u"Serif");
    EXPECT_FALSE(key.read_number("unknown"));
    EXPECT_FALSE(key.read_text("unknown"));
    EXPECT_FALSE(key.read_number("textfornumber"));
    EXPECT_FALSE(key.read_number("huge"));
    EXPECT_EQ(key.read_text("plain"), u"hello, world");
    EXPECT_FALSE(key.read_number("variant"));
    EXPECT_FALSE(key.read_text("rect"));
    EXPECT_TRUE(key.delete_value("rect"));  // present, if unreadable
    EXPECT_TRUE(key.write_number("huge", 3));
  }
  RegistryKey key = registry.create_key("dict.zd");
  EXPECT_EQ(key.read_number("last_word_id"), 42);
  EXPECT_EQ(key.read_number("cut"), 0);  // "dword:00" is a short hex number
  RegistryKey root = registry.create_key("");
  EXPECT_EQ(root.read_number("huge"), 3);
  EXPECT_FALSE(root.read_text("rect"));
}

// Values under a header with an empty name ("[", "[]") read as top-level
// values, as they are once QSettings has written the file back: a save over
// such a file loads back the values it read before.
TEST_F(RegistryTest, ValuesUnderAnEmptySectionHeaderReadTheSameBeforeAndAfterASave) {
  std::filesystem::create_directories(dir_.file("cfg"));
  test::write_file(path(), std::string("[\n"
                                       "Last%20file0=sz:/d/a.zd\n"
                                       "[ ]\r\n"
                                       "size=dword:00000003\n"
                                       "[dict.zd]\n"
                                       "last_word_id=dword:0000002a\n"));
  for (int round = 0; round < 2; ++round) {
    Registry registry(path());
    RegistryKey key = registry.create_key("");
    EXPECT_EQ(key.read_text("Last file0"), u"/d/a.zd") << round;
    EXPECT_EQ(key.read_number("size"), 3) << round;
    EXPECT_EQ(registry.create_key("dict.zd").read_number("last_word_id"), 42) << round;
    EXPECT_TRUE(key.write_number("other", 1));  // the first round saves over the file
  }
}

TEST(RegistryEncoding, OnlyHeadersWithAnEmptyNameAreNamed) {
  using registry_detail::name_empty_sections;
  EXPECT_EQ(name_empty_sections("[\nA=1\n"), "[General]\nA=1\n");
  EXPECT_EQ(name_empty_sections("  [ ]\r\nA=1"), "[General]\r\nA=1");
  EXPECT_EQ(name_empty_sections("[x]\n[ y\n[]"), "[x]\n[ y\n[General]");
  // A line that continues the value before it is the value's, whatever it holds.
  EXPECT_EQ(name_empty_sections("a=b\\\n[\n"), "a=b\\\n[\n");
  EXPECT_EQ(name_empty_sections(""), "");
}

TEST_F(RegistryTest, CutAndGarbageFilesNeverFailTheOpen) {
  std::filesystem::create_directories(dir_.file("cfg"));
  std::string whole = "[General]\nText%20size=dword:00000003\nMainFont=sz:Serif\n";
  for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
    test::write_file(path(), whole.substr(0, cut));
    Registry registry(path());
    RegistryKey key = registry.create_key("");
    const auto size = key.read_number("Text size");
    EXPECT_TRUE(!size || *size == 3 || *size == 0) << cut;
    const auto font = key.read_text("MainFont");
    // A cut inside the prefix leaves a plain text: some start of the line.
    if (font) {
      EXPECT_TRUE(std::u16string(u"Serif").starts_with(*font) ||
                  std::u16string(u"sz:Serif").starts_with(*font))
          << cut;
    }
  }
  std::vector<std::uint8_t> garbage(4096);
  std::uint32_t state = 12345;
  for (auto& b : garbage) {
    state = state * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(state >> 16);
  }
  test::write_file(path(), garbage);
  Registry registry(path());
  RegistryKey key = registry.create_key("");
  EXPECT_FALSE(key.read_number("Text size"));
  EXPECT_TRUE(key.write_number("Text size", 4));
  EXPECT_TRUE(key.close());
  EXPECT_EQ(Registry(path()).create_key("").read_number("Text size"), 4);
}

TEST_F(RegistryTest, NestedKeysSaveTogetherWhenTheLastCloses) {
  Registry writer(path());
  RegistryKey outer = writer.create_key("");
  ASSERT_TRUE(outer.write_number("a", 1));
  {
    RegistryKey inner = writer.create_key("d.zd");
    ASSERT_TRUE(inner.write_number("b", 2));
    EXPECT_EQ(inner.read_number("b"), 2);
  }
  // Nothing reaches the file while the outer key is open.
  EXPECT_FALSE(std::filesystem::exists(path()));
  EXPECT_TRUE(outer.close());
  Registry reader(path());
  EXPECT_EQ(reader.create_key("").read_number("a"), 1);
  EXPECT_EQ(reader.create_key("d.zd").read_number("b"), 2);
  EXPECT_FALSE(std::filesystem::exists(path() + ".lock"));
}

TEST_F(RegistryTest, AWriteNeverUndoesASaveMadeSinceTheSessionBegan) {
  Registry first(path());
  Registry second(path());
  RegistryKey key = first.create_key("");
  EXPECT_FALSE(key.read_number("theirs"));
  {
    RegistryKey other = second.create_key("");
    ASSERT_TRUE(other.write_number("theirs", 1));
    ASSERT_TRUE(other.write_number("both", 1));
  }
  ASSERT_TRUE(key.write_number("mine", 2));
  EXPECT_EQ(key.read_number("theirs"), 1);  // the write took a fresh snapshot
  ASSERT_TRUE(key.write_number("both", 2));
  ASSERT_TRUE(key.close());
  RegistryKey check = second.create_key("");
  EXPECT_EQ(check.read_number("theirs"), 1);
  EXPECT_EQ(check.read_number("mine"), 2);
  EXPECT_EQ(check.read_number("both"), 2);
}

TEST_F(RegistryTest, FileIsReadableText) {
  {
    Registry registry(path());
    RegistryKey key = registry.create_key("");
    key.write_number("Text size", 2);
    key.write_flag("g_smart_menu", true);
    key.write_text("MainFont", u"DejaVu Sans");
  }
  const std::string text = read_text_file(path());
  EXPECT_NE(text.find("Text%20size=dword:00000002"), std::string::npos) << text;
  EXPECT_NE(text.find("g_smart_menu=flag:1"), std::string::npos) << text;
  EXPECT_NE(text.find("MainFont=sz:DejaVu Sans"), std::string::npos) << text;
}

// Every system call of a save failed in turn, with the errors of a full
// disk, a lost device and a refused permission: the save reports failure
// with the file's name, and the file is the old one whole (or, when only the
// folder flush after the rename failed, the new one, and the report says so).
TEST_F(RegistryTest, EveryFailedStepOfASaveIsReportedAndKeepsTheOldFile) {
  const auto save = [&](std::int32_t value) {
    Registry registry(path());
    RegistryKey key = registry.create_key("");
    bool written = key.write_number("Text size", value);
    if (value == 1) written = key.write_text("keep", u"kept") && written;
    const bool closed = key.close();
    return std::make_pair(written && closed, registry.last_error());
  };
  ASSERT_TRUE(save(1).first);
  const std::string old_file = read_text_file(path());
  long calls = 0;
  {
    sys::ScopedFault counting(0);
    ASSERT_TRUE(save(2).first);
    calls = counting.calls();
  }
  ASSERT_GT(calls, 10);
  for (int error : {ENOSPC, EIO, EACCES}) {
    for (long n = 1; n <= calls; ++n) {
      SCOPED_TRACE(testing::Message() << "call " << n << " errno " << error);
      test::write_file(path(), old_file);
      std::pair<bool, std::string> result;
      {
        sys::ScopedFault fault(n, error);
        result = save(2);
      }
      if (result.first) {
        // A call whose failure the save got round: nothing may be lost.
        Registry check(path());
        RegistryKey key = check.create_key("");
        EXPECT_EQ(key.read_number("Text size"), 2);
        EXPECT_EQ(key.read_text("keep"), u"kept");
        continue;
      }
      EXPECT_NE(result.second.find(path()), std::string::npos) << result.second;
      const bool replaced = result.second.find("in place") != std::string::npos;
      if (!replaced) {
        EXPECT_EQ(read_text_file(path()), old_file) << result.second;
      }
      for (const auto& entry : std::filesystem::directory_iterator(dir_.file("cfg"))) {
        EXPECT_TRUE(entry.path().filename() == "Lexora.ini" ||
                    entry.path().filename() == "Lexora.ini.lock")
            << entry.path();
      }
      std::filesystem::remove(path() + ".lock");
    }
  }
}

// A store that is not a regular file reads as empty, at once and without
// reading it whole, says why, and is never written.
TEST_F(RegistryTest, StoreThatIsNoRegularFileIsNeitherReadNorWritten) {
  ASSERT_TRUE(std::filesystem::create_directories(dir_.file("cfg")));
  const std::string fifo = path();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& store : {std::string("/dev/zero"), fifo}) {
    SCOPED_TRACE(store);
    Registry registry(store);
    RegistryKey key = registry.create_key("");
    EXPECT_FALSE(key.read_number("Text size"));
    EXPECT_FALSE(key.write_number("Text size", 3));
    key.close();
    EXPECT_EQ(registry.last_error(), "cannot read " + store + ": not a regular file");
  }
  struct stat st {};
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// A save killed while it holds the lock: the next save neither waits nor
// fails, and what the dead process left (its temporary file beside the
// store, its private copy in the temporary folder) is removed.
TEST_F(RegistryTest, ASaveKilledHoldingTheLockLeavesNothingThatLasts) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Registry registry(path());
    RegistryKey key = registry.create_key("");
    const char byte = key.write_number("Text size", 9) ? 1 : 0;  // takes the lock
    test::write_file(dir_.file("cfg/.Lexora.ini.tmp-" + std::to_string(::getpid()) + "-0"), "x");
    (void)!::write(ready[1], &byte, 1);
    ::pause();
    ::_exit(0);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, 1);
  const QString snapshot_pattern = QStringLiteral("lexora-registry-%1-*").arg(child);
  ASSERT_FALSE(QDir(QDir::tempPath()).entryList({snapshot_pattern}, QDir::Dirs).isEmpty());
  ::kill(child, SIGKILL);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  ::close(ready[0]);
  ::close(ready[1]);

  ASSERT_TRUE(FileLock::acquire(path(), std::chrono::milliseconds(0)));  // free at once
  Registry registry(path());
  RegistryKey key = registry.create_key("");
  EXPECT_TRUE(key.write_number("Text size", 4));
  EXPECT_TRUE(key.close()) << registry.last_error();
  EXPECT_EQ(Registry(path()).create_key("").read_number("Text size"), 4);
  EXPECT_EQ(std::filesystem::directory_iterator(dir_.file("cfg"))->path().filename(), "Lexora.ini");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.file("cfg")), {}), 1);
  EXPECT_TRUE(QDir(QDir::tempPath()).entryList({snapshot_pattern}, QDir::Dirs).isEmpty());
}

TEST(RegistryPath, FollowsXdgConfigHome) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old != nullptr ? old : "";
  setenv("XDG_CONFIG_HOME", "/some/where", 1);
  EXPECT_EQ(Registry::default_file_path(), "/some/where/Lexora/Lexora.ini");
  setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_TRUE(Registry::default_file_path().ends_with("/.config/Lexora/Lexora.ini"));
  if (old != nullptr) {
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace lexora
