#include "gui/dialogs/file_browser.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>

#include "platform/messages.h"
#include "testing/recording_message_sink.h"

namespace lexora {
namespace {

// The test program's main() makes the application object.
void ensure_app() {
  ASSERT_NE(QApplication::instance(), nullptr);
}

const QString kDictionaryTypes = QStringLiteral("Dictionaries (*.zd)\nAll files(*.*)");

class FileBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ensure_app();
    ASSERT_TRUE(dir_.isValid());
    root_ = QDir(dir_.path()).canonicalPath();
  }

  void make_dir(const QString& name) { ASSERT_TRUE(QDir(root_).mkpath(name)); }
  void make_file(const QString& name) {
    QFile file(root_ + "/" + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  // Lets queued refreshes run.
  static void settle() { QCoreApplication::processEvents(); }

  QTemporaryDir dir_;
  QString root_;
};

TEST(FileBrowserPattern, TakesTextBetweenFirstOpenAndLastClose) {
  EXPECT_EQ(FileBrowser::extract_pattern("Dictionaries (*.zd)", "x"), "*.zd");
  EXPECT_EQ(FileBrowser::extract_pattern("All files(*.*)", "x"), "*.*");
  EXPECT_EQ(FileBrowser::extract_pattern("Odd (a) (b)", "x"), "a) (b");
  EXPECT_EQ(FileBrowser::extract_pattern("No pattern", "*.zd"), "*.zd");
  EXPECT_EQ(FileBrowser::extract_pattern("Half (open", "*.zd"), "*.zd");
}

TEST_F(FileBrowserTest, ListsParentThenFoldersThenMatchingFilesWithIcons) {
  make_dir("beta");
  make_dir("Alpha");
  make_file("zeta.zd");
  make_file("apple.ZD");
  make_file("notes.txt");
  make_file("plain");
  FileBrowser browser;
  const ExtensionIcon icon{"zd", kIconDictionary};
  browser.add_extension_icons(&icon, 1);
  browser.start(root_, kDictionaryTypes, false, false);
  EXPECT_EQ(browser.pattern(), "*.zd");
  EXPECT_EQ(browser.item_texts(), QStringList({"..", "Alpha", "beta", "apple.ZD", "zeta.zd"}));
  EXPECT_EQ(browser.item_image(0), kImageFolder);
  EXPECT_EQ(browser.item_image(1), kImageFolder);
  // Extensions are compared without regard to case.
  EXPECT_EQ(browser.item_image(3), kImageFirstExtension);
  EXPECT_EQ(browser.item_image(4), kImageFirstExtension);

  browser.select_type_line(1);
  EXPECT_EQ(browser.pattern(), "*.*");
  EXPECT_EQ(browser.item_texts(),
            QStringList({"..", "Alpha", "beta", "apple.ZD", "notes.txt", "plain", "zeta.zd"}));
  EXPECT_EQ(browser.item_image(4), kImageFile);
  EXPECT_EQ(browser.item_image(5), kImageFile);
}

TEST_F(FileBrowserTest, ATypeLineOfSeveralGlobsListsEachAndLendsTheFirstExtension) {
  make_file("a.dsl");
  make_file("b.DSL.dz");
  make_file("c.dict.dz");
  make_file("d.zd");
  FileBrowser browser;
  browser.start(root_, "DSL (*.dsl *.dsl.dz)\nBoth (*.zd;*.dsl)", false, false);
  EXPECT_EQ(browser.item_texts(), QStringList({"..", "a.dsl", "b.DSL.dz"}));
  browser.set_file_name("words");
  browser.confirm_choice();
  EXPECT_EQ(browser.result(), root_ + "/words.dsl");
  browser.select_type_line(1);
  EXPECT_EQ(browser.item_texts(), QStringList({"..", "a.dsl", "d.zd"}));
  browser.set_file_name("words");
  browser.confirm_choice();
  EXPECT_EQ(browser.result(), root_ + "/words.zd");
}

TEST_F(FileBrowserTest, HiddenFoldersAreFoldersAndDeviceNodesAreNot) {
  make_dir(".hidden");
  FileBrowser browser;
  browser.start(root_, kDictionaryTypes, false, false);
  EXPECT_EQ(browser.item_texts(), QStringList({"..", ".hidden"}));
  // /dev holds device nodes; none of them is listed as a folder.
  browser.start("/dev", "All files(*.*)", false, false);
  const QStringList items = browser.item_texts();
  const qsizetype null_row = items.indexOf("null");
  ASSERT_GE(null_row, 0);
  EXPECT_EQ(browser.item_image(static_cast<int>(null_row)), kImageFile);
}

TEST_F(FileBrowserTest, NamesDifferingOnlyInCaseBothAppear) {
  make_file("Word.zd");
  make_file("word.zd");
  FileBrowser browser;
  browser.start(root_, kDictionaryTypes, false, false);
  QStringList items = browser.item_texts();
  items.sort();
  EXPECT_EQ(items, QStringList({"..", "Word.zd", "word.zd"}));
}

TEST_F(FileBrowserTest, RootHasNoParentItemAndParentLeadsToRoot) {
  FileBrowser browser;
  browser.start("", kDictionaryTypes, false, false);
  EXPECT_FALSE(browser.item_texts().contains(".."));

  // One level below the root, ".." goes back to it.
  browser.start("/tmp", kDictionaryTypes, false, false);
  ASSERT_EQ(browser.item_texts().value(0), "..");
  browser.activate_item(0);
  settle();
  EXPECT_EQ(browser.folder(), "");
  EXPECT_FALSE(browser.item_texts().contains(".."));
}

TEST_F(FileBrowserTest, ActivatingAFolderEntersIt) {
  make_dir("inner");
  make_file("inner/deep.zd");
  FileBrowser browser;
  browser.start(root_, kDictionaryTypes, false, false);
  browser.activate_item(1);
  settle();
  EXPECT_EQ(browser.folder(), root_ + "/inner");
  EXPECT_EQ(browser.item_texts(), QStringList({"..", "deep.zd"}));
  browser.activate_item(0);
  settle();
  EXPECT_EQ(browser.folder(), root_);
}

TEST_F(FileBrowserTest, ActivatingAFileChoosesIt) {
  make_file("one.zd");
  FileBrowser browser;
  browser.start(root_, kDictionaryTypes, false, false);
  browser.activate_item(1);
  EXPECT_EQ(browser.QDialog::result(), QDialog::Accepted);
  EXPECT_EQ(browser.result(), root_ + "/one.zd");
  EXPECT_EQ(browser.file_name(), "one.zd");
}

TEST_F(FileBrowserTest, ExtensionIsAppendedOnlyToNamesWithoutDot) {
  make_dir("my.dir");
  FileBrowser browser;
  browser.start(root_, kDictionaryTypes, false, false);
  browser.set_file_name("word");
  browser.confirm_choice();
  EXPECT_EQ(browser.result(), root_ + "/word.zd");
  browser.set_file_name("word.txt");
  browser.confirm_choice();
  EXPECT_EQ(browser.result(), root_ + "/word.txt");

  browser.select_type_line(1);
  browser.set_file_name("word");
  browser.confirm_choice();
  EXPECT_EQ(browser.result(), root_ + "/word");
  browser.set_file_name("word.txt");
  browser.confirm_choice();
  EXPECT_EQ(browser.result(), root_ + "/word.txt");

  // A dot in the folder's name does not count as the name's extension.
  FileBrowser inner;
  inner.start(root_ + "/my.dir", kDictionaryTypes, false, false);
  inner.set_file_name("word");
  inner.confirm_choice();
  EXPECT_EQ(inner.result(), root_ + "/my.dir/word.zd");
  inner.select_type_line(1);
  inner.confirm_choice();
  EXPECT_EQ(inner.result(), root_ + "/my.dir/word");
}

TEST_F(FileBrowserTest, EmptyNameEntersTheSecondItemOrDoesNothing) {
  make_dir("only");
  FileBrowser browser;
  browser.start(root_, kDictionaryTypes, false, false);
  browser.confirm_choice();
  settle();
  EXPECT_EQ(browser.folder(), root_ + "/only");
  EXPECT_EQ(browser.item_texts(), QStringList({".."}));
  // A single item: OK does nothing.
  browser.confirm_choice();
  settle();
  EXPECT_EQ(browser.folder(), root_ + "/only");
  EXPECT_TRUE(browser.result().isEmpty());
  EXPECT_NE(browser.QDialog::result(), QDialog::Accepted);
}

TEST_F(FileBrowserTest, SaveModeAsksBeforeReplacingAndNoKeepsTheDialogOpen) {
  make_file("link.lnk");
  RecordingMessageSink sink;
  FileBrowser browser;
  browser.start(root_, "Links (*.lnk)", true, true);
  browser.set_file_name("link");
  sink.answer_next(MessageResult::kNo);
  browser.confirm_choice();
  ASSERT_EQ(sink.texts(), std::vector<std::string>({"Replace the existing file?"}));
  EXPECT_EQ(sink.messages()[0].caption, "Save file");
  EXPECT_EQ(sink.messages()[0].buttons, MessageButtons::kYesNo);
  EXPECT_NE(browser.QDialog::result(), QDialog::Accepted);
  EXPECT_EQ(browser.result(), root_ + "/link.lnk");

  sink.answer_next(MessageResult::kYes);
  browser.confirm_choice();
  EXPECT_EQ(browser.QDialog::result(), QDialog::Accepted);

  // A new name is not asked about.
  sink.clear();
  browser.set_file_name("fresh");
  browser.confirm_choice();
  EXPECT_TRUE(sink.messages().empty());
  EXPECT_EQ(browser.result(), root_ + "/fresh.lnk");
}

TEST_F(FileBrowserTest, OpenModeReturnsTypedPathsThatDoNotExist) {
  FileBrowser browser;
  browser.start(root_, kDictionaryTypes, false, true);
  browser.set_file_name("missing");
  RecordingMessageSink sink;
  browser.confirm_choice();
  EXPECT_TRUE(sink.messages().empty());
  EXPECT_EQ(browser.result(), root_ + "/missing.zd");
  EXPECT_EQ(browser.QDialog::result(), QDialog::Accepted);
}

TEST_F(FileBrowserTest, TypedAbsolutePathIsTakenAsItIsAndTildeIsTheHomeFolder) {
  make_dir("a/b");
  FileBrowser browser;
  browser.start(root_ + "/a/b", kDictionaryTypes, false, false);
  browser.set_file_name("/c/d.zd");
  browser.confirm_choice();
  EXPECT_EQ(browser.result(), "/c/d.zd");
  // The extension rule still applies to a whole path.
  browser.set_file_name("/c/d");
  browser.confirm_choice();
  EXPECT_EQ(browser.result(), "/c/d.zd");
  browser.set_file_name("~/dicts/en-ru.zd");
  browser.confirm_choice();
  EXPECT_EQ(browser.result(), QDir::homePath() + "/dicts/en-ru.zd");
  // "~name" is an ordinary name in the folder shown.
  browser.set_file_name("~notes.zd");
  browser.confirm_choice();
  EXPECT_EQ(browser.result(), root_ + "/a/b/~notes.zd");
}

TEST_F(FileBrowserTest, EscCancelsTheDialogAndBackspaceEditsTheName) {
  FileBrowser browser;
  browser.start(root_, kDictionaryTypes, false, true);
  browser.show();
  auto* name_box = browser.findChild<QLineEdit*>();
  ASSERT_NE(name_box, nullptr);
  name_box->setFocus();
  browser.set_file_name("abc");
  auto press = [](QWidget* target, int key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &down);
  };
  press(name_box, Qt::Key_Backspace);
  EXPECT_EQ(browser.file_name(), "ab");
  EXPECT_TRUE(browser.isVisible());
  press(name_box, Qt::Key_Escape);
  EXPECT_EQ(browser.file_name(), "ab");
  EXPECT_FALSE(browser.isVisible());
  EXPECT_EQ(browser.QDialog::result(), QDialog::Rejected);
}

}  // namespace
}  // namespace lexora
