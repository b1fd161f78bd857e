#include "app/app.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <chrono>
#include <thread>

#include "compiler/dictionary_writer.h"
#include "gui/main_window.h"
#include "model/recent_files.h"
#include "model/shortcut_link.h"
#include "platform/qt/instance.h"
#include "platform/qt/registry.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

TEST(CommandLine, PathAloneOrAfterTheClipboardSwitch) {
  CommandLine line = parse_command_line({});
  EXPECT_TRUE(line.path.isEmpty());
  EXPECT_FALSE(line.clipboard_switch);

  line = parse_command_line({"/d/a.zd"});
  EXPECT_EQ(line.path, "/d/a.zd");
  EXPECT_FALSE(line.clipboard_switch);

  line = parse_command_line({"-c"});
  EXPECT_TRUE(line.path.isEmpty());
  EXPECT_TRUE(line.clipboard_switch);

  line = parse_command_line({"-c", "/d/a.zd"});
  EXPECT_EQ(line.path, "/d/a.zd");
  EXPECT_TRUE(line.clipboard_switch);

  // An unquoted path with blanks comes as several arguments.
  line = parse_command_line({"/d/my", "words.zd"});
  EXPECT_EQ(line.path, "/d/my words.zd");
  // Only a leading "-c" is the switch.
  line = parse_command_line({"/d/-c.zd"});
  EXPECT_FALSE(line.clipboard_switch);
}

TEST(WindowTitle, BaseTitleTwoBlanksAndFileName) {
  EXPECT_EQ(window_title_for("/d/a.zd"), "Lexora  a.zd");
  EXPECT_EQ(window_title_for(""), "Lexora  ");
  EXPECT_EQ(window_title_for("/d/"), "Lexora  /d/");
}

TEST(StartDecision, FollowsTheSingleInstanceTable) {
  for (bool allow : {false, true}) {
    EXPECT_EQ(decide_start(allow, false, true), StartAction::kHandOver);
    EXPECT_EQ(decide_start(allow, false, false), StartAction::kRun);
    EXPECT_EQ(decide_start(allow, true, true), StartAction::kHandOver);
  }
  EXPECT_EQ(decide_start(true, true, false), StartAction::kRun);
  EXPECT_EQ(decide_start(false, true, false), StartAction::kCloseOtherAndRun);
}

// Two real processes of the program, talking over their sockets.
class TwoProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    environment_ = QProcessEnvironment::systemEnvironment();
    environment_.insert("QT_QPA_PLATFORM", "offscreen");
    environment_.insert("XDG_CONFIG_HOME", QString::fromStdString(dir_.path()));
    environment_.insert("LEXORA_INSTANCE_DIR", QString::fromStdString(dir_.path()));
    qputenv("LEXORA_INSTANCE_DIR", QByteArray::fromStdString(dir_.path()));
  }
  void TearDown() override {
    for (auto& process : processes_) {
      if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(5000);
      }
    }
    qunsetenv("LEXORA_INSTANCE_DIR");
  }

  std::string dictionary(const std::string& name) {
    compiler::DictionarySource source;
    source.entries.emplace_back(u"alpha", u"first");
    source.entries.emplace_back(u"beta", u"second");
    std::string error;
    const std::string path = dir_.file(name);
    EXPECT_TRUE(compiler::write_dictionary_file(path, source, {}, &error)) << error;
    return path;
  }

  QProcess* launch(const QStringList& arguments, const QString& program = QString()) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment_);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program.isEmpty() ? QStringLiteral(LEXORA_PROGRAM) : program, arguments);
    EXPECT_TRUE(process->waitForStarted(5000));
    processes_.push_back(std::move(process));
    return processes_.back().get();
  }

  // Waits until a window with `title` answers.
  static std::optional<InstanceRef> wait_for(const QString& title) {
    for (int i = 0; i < 200; ++i) {
      if (auto found = find_instance("Lexora", title, 500)) return found;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
  }

  test::TempDir dir_;
  QProcessEnvironment environment_;
  std::vector<std::unique_ptr<QProcess>> processes_;
};

TEST_F(TwoProcessTest, SameFileHandsOverAndAnotherFileClosesTheOlder) {
  const std::string a = dictionary("a.zd");
  const std::string b = dictionary("b.zd");
  QProcess* first = launch({QString::fromStdString(a)});
  ASSERT_TRUE(wait_for("Lexora  a.zd").has_value());

  // The same file again: the running window is brought forward, the new
  // process ends at once.
  QProcess* second = launch({QString::fromStdString(a)});
  ASSERT_TRUE(second->waitForFinished(10000));
  EXPECT_EQ(second->exitCode(), 0);
  EXPECT_EQ(first->state(), QProcess::Running);

  // Another file with one instance allowed: the older one saves and closes,
  // the newer one shows the new file.
  QProcess* third = launch({QString::fromStdString(b)});
  ASSERT_TRUE(first->waitForFinished(10000));
  EXPECT_EQ(first->exitCode(), 0);
  const auto running = wait_for("Lexora  b.zd");
  ASSERT_TRUE(running.has_value());
  EXPECT_EQ(third->state(), QProcess::Running);

  ASSERT_TRUE(close_instance(*running));
  ASSERT_TRUE(third->waitForFinished(10000));
  EXPECT_EQ(third->exitCode(), 0);

  // Both saved on the way out: the newer one read what the older one saved.
  Registry registry(dir_.file("Lexora/Lexora.ini"));
  RecentFiles recent;
  recent.recent_set_limit(8, false);
  recent.recent_load(registry, "");
  EXPECT_EQ(recent.paths(), std::vector<std::string>({a, b}));
}

TEST_F(TwoProcessTest, SendColoursDeliversTheProfileBlock) {
  ASSERT_NE(QCoreApplication::instance(), nullptr);  // made by the test program's main()
  std::vector<std::uint8_t> received;
  InstanceHandlers handlers;
  handlers.copy_data = [&received](std::uint32_t kind, const std::vector<std::uint8_t>& data) {
    received = data;
    return kind == 1;
  };
  InstanceServer server(handlers);
  ASSERT_TRUE(server.publish("Lexora", "Lexora  a.zd"));

  std::vector<std::uint8_t> profile = {'L', 'u', 'R', 'P', 'r', 'f', '0', '1', 9, 9, 9, 9};
  for (int i = 0; i < 60; ++i) profile.push_back(static_cast<std::uint8_t>(i + 1));
  test::write_file(dir_.file("Profile.lup"), profile);

  QProcess cli;
  cli.setProcessEnvironment(environment_);
  cli.start(QStringLiteral(LEXORA_CLI),
            {"send-colours", QString::fromStdString(dir_.file("Profile.lup"))});
  ASSERT_TRUE(cli.waitForStarted(5000));
  // Serve the message while the command waits for the answer.
  while (cli.state() != QProcess::NotRunning) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    cli.waitForFinished(10);
  }
  EXPECT_EQ(cli.exitCode(), 0);
  EXPECT_EQ(cli.readAllStandardOutput().trimmed(), "1");
  EXPECT_EQ(received, std::vector<std::uint8_t>(profile.begin() + 12, profile.end()));

  // A file that is no profile is refused before anything is sent.
  test::write_file(dir_.file("other.lup"), std::string("not a profile at all"));
  received.clear();
  cli.start(QStringLiteral(LEXORA_CLI),
            {"send-colours", QString::fromStdString(dir_.file("other.lup"))});
  ASSERT_TRUE(cli.waitForFinished(10000));
  EXPECT_EQ(cli.exitCode(), 1);
  EXPECT_TRUE(cli.readAllStandardOutput().isEmpty());
  EXPECT_TRUE(received.empty());
}

TEST_F(TwoProcessTest, ShortcutFileOpensTheDictionaryItNames) {
  const std::string a = dictionary("a.zd");
  const std::string link = dir_.file("my words.lnk");
  test::write_file(link, link_text(LEXORA_PROGRAM, a));
  launch({QString::fromStdString(link)});
  const auto running = wait_for("Lexora  a.zd");
  ASSERT_TRUE(running.has_value());
  ASSERT_TRUE(close_instance(*running));
}

TEST_F(TwoProcessTest, LauncherExecLineOpensTheDictionary) {
  const std::string b = dictionary("b $1 \"q\".zd");
  const std::string entry = desktop_entry_text(LEXORA_PROGRAM, b, "lexora");
  const auto start = entry.find("\nExec=") + 6;
  std::string exec = entry.substr(start, entry.find('\n', start) - start);
  // Undoing the string-value escapes leaves the quoted command line, whose
  // quoting is the shell's own.
  std::string command;
  for (std::size_t i = 0; i < exec.size(); ++i) {
    if ((exec[i] == '\\' || exec[i] == '%') && i + 1 < exec.size() && exec[i + 1] == exec[i]) ++i;
    command += exec[i];
  }
  launch({QStringLiteral("-c"), QStringLiteral("exec ") + QString::fromStdString(command)},
         QStringLiteral("/bin/sh"));
  const auto running = wait_for(QStringLiteral("Lexora  b $1 \"q\".zd"));
  ASSERT_TRUE(running.has_value());
  ASSERT_TRUE(close_instance(*running));
}

TEST(ShortcutArgument, OnlyOurLinkTextIsFollowed) {
  test::TempDir dir;
  const std::string link = dir.file("x.LNK");
  test::write_file(link, link_text("/usr/bin/lexora", "/d/en ru.zd"));
  EXPECT_EQ(follow_link_file(QString::fromStdString(link)), "/d/en ru.zd");
  const std::string other = dir.file("other.lnk");
  test::write_file(other, std::string("not a shortcut"));
  EXPECT_EQ(follow_link_file(QString::fromStdString(other)), QString::fromStdString(other));
  EXPECT_EQ(follow_link_file("/d/a.zd"), "/d/a.zd");
}

}  // namespace
}  // namespace lexora
