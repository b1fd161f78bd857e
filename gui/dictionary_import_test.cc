#include "gui/dictionary_import.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "compiler/dictionary_writer.h"
#include "engine/dictionary.h"
#include "gui/article/article_view.h"
#include "gui/article/article_window.h"
#include "gui/command_ids.h"
#include "gui/dialogs/file_browser.h"
#include "gui/main_window.h"
#include "gui/modal_test_util.h"
#include "gui/search_window.h"
#include "gui/word_controls.h"
#include "import/test_sources.h"
#include "model/colour_table.h"
#include "model/recent_files.h"
#include "model/settings.h"
#include "platform/messages.h"
#include "platform/qt/registry.h"
#include "testing/recording_message_sink.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

using test::when_modal;

namespace fs = std::filesystem;

void press(QWidget* target, int key) {
  QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &down);
  QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(target, &up);
}

// The converted dictionaries in the cache folder (and anything else there,
// half-written files included).
std::vector<std::string> files_in(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    names.push_back(entry.path().filename().string());
  return names;
}

std::string only_dictionary_in(const std::string& folder) {
  std::vector<std::string> dictionaries;
  for (const std::string& name : files_in(folder))
    if (name.size() > 3 && name.compare(name.size() - 3, 3, ".zd") == 0)
      dictionaries.push_back(folder + "/" + name);
  EXPECT_EQ(dictionaries.size(), 1u);
  return dictionaries.empty() ? std::string() : dictionaries.front();
}

ino_t inode_of(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

class DictionaryImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(QApplication::instance(), nullptr);
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir_.path()));
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(dir_.file("cache")));
    qputenv("LEXORA_INSTANCE_DIR", QByteArray::fromStdString(dir_.path()));
    registry_ = std::make_unique<Registry>(dir_.file("Lexora.ini"));
    fs::create_directory(src_);
  }
  void TearDown() override { qunsetenv("XDG_CACHE_HOME"); }

  void start(const std::string& path) {
    window_ = std::make_unique<MainWindow>(
        ShellObjects{dictionary_, settings_, recent_, colours_, *registry_});
    window_->resize(360, 480);
    window_->start(QString::fromStdString(path), false);
    window_->show();
  }

  std::string make_zd(const std::string& name) {
    compiler::DictionarySource source;
    source.entries.emplace_back(u"zebra", u"a striped horse");
    std::string error;
    const std::string path = src_ + "/" + name;
    EXPECT_TRUE(
        compiler::write_dictionary_file(path, source, compiler::DictionaryOptions{}, &error))
        << error;
    return path;
  }

  // Puts the text of the next article window shown into *text, and closes
  // that window (nothing once `scope` is gone).
  static void capture_next_article(QString* text, QObject* scope) {
    when_modal(
        [text](QWidget* modal) {
          if (auto* article = qobject_cast<ArticleWindow*>(modal))
            *text = article->view()->toPlainText();
          press(modal, Qt::Key_Escape);
        },
        scope);
  }

  // The article window's text for `word` typed into the word box.
  QString article_for(const QString& word) {
    window_->word_box()->setText(word);
    QString text;
    QObject scope;
    capture_next_article(&text, &scope);
    press(window_->word_box(), Qt::Key_Return);
    return text;
  }

  test::TempDir dir_;
  const std::string src_ = dir_.file("src");
  const std::string cache_ = dir_.file("cache") + "/Lexora";
  std::unique_ptr<Registry> registry_;
  Dictionary dictionary_;
  Settings settings_;
  RecentFiles recent_;
  ColourTable colours_;
  RecordingMessageSink sink_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(DictionaryImportTest, BrowserOffersEachFormatAndOpensADictdSource) {
  const std::string index = import::test::write_dictd(
      src_, "eng-test",
      {{"apple", "apple\n   a round fruit\n"}, {"pear", "pear\n   a sweet {fruit}\n"}}, true);
  test::write_file(src_ + "/notes.txt", "not a dictionary");
  start(make_zd("own.zd"));

  QStringList types, items;
  QObject scope;
  when_modal(
      [&](QWidget* modal) {
        auto* browser = qobject_cast<FileBrowser*>(modal);
        if (browser == nullptr) {
          modal->close();
          return;
        }
        auto* box = browser->findChild<QComboBox*>();
        for (int i = 0; box != nullptr && i < box->count(); ++i) types << box->itemText(i);
        items = browser->item_texts();
        const qsizetype row = items.indexOf("eng-test.index");
        if (row < 0) {
          browser->reject();
          return;
        }
        EXPECT_EQ(browser->item_image(static_cast<int>(row)), kImageFirstExtension + 2);
        browser->activate_item(static_cast<int>(row));
      },
      &scope);
  ASSERT_TRUE(window_->browse_and_open(window_.get()));
  // Every kind at once first, then our own, each format, all files.
  ASSERT_GE(types.size(), 4);
  EXPECT_TRUE(types[0].contains("*.zd") && types[0].contains("*.index") &&
              types[0].contains("*.ifo") && types[0].contains("*.xdxf.dz"))
      << types[0].toStdString();
  EXPECT_TRUE(types.contains("dictd databases (*.index)"));
  EXPECT_EQ(types.back(), "All files(*.*)");
  EXPECT_EQ(items, QStringList({"..", "eng-test.index", "own.zd"}));

  EXPECT_TRUE(sink_.messages().empty());
  EXPECT_EQ(window_->title_text(), "Lexora  eng-test.index");
  EXPECT_EQ(window_->word_count(), 2u);
  // The source, not the cache file, is what the user reopens.
  EXPECT_EQ(recent_.paths().back(), fs::canonical(index).string());
  EXPECT_EQ(window_->current_path().toStdString(), fs::canonical(index).string());
  only_dictionary_in(cache_);
  const QString page = article_for("pear");
  EXPECT_TRUE(page.contains("a sweet fruit")) << page.toStdString();
}

TEST_F(DictionaryImportTest, StardictSourceIsConvertedOnceAndReusedWhileUnchanged) {
  import::test::StardictSource source;
  source.same_type_sequence = "m";
  source.entries = {{"cat", "a small animal"}, {"dog", "a loyal animal"}};
  const std::string ifo = import::test::write_stardict(src_, "animals", source);
  // As given on the command line.
  start(ifo);
  ASSERT_EQ(window_->word_count(), 2u);
  EXPECT_EQ(window_->title_text(), "Lexora  animals.ifo");
  const std::string converted = only_dictionary_in(cache_);
  const ino_t first = inode_of(converted);
  ASSERT_NE(first, 0u);

  // Another dictionary, then the source again from the dictionary menu.
  ASSERT_TRUE(window_->open_dictionary_file(QString::fromStdString(make_zd("other.zd"))));
  ASSERT_EQ(window_->dictionary_menu()->actions().size(), 2);
  EXPECT_EQ(window_->dictionary_menu()->actions()[1]->text(), "animals.ifo");
  window_->on_command(cmd::kFirstRecent + 1);
  EXPECT_EQ(window_->title_text(), "Lexora  animals.ifo");
  EXPECT_EQ(only_dictionary_in(cache_), converted);
  EXPECT_EQ(inode_of(converted), first);  // the same file: not written again
  EXPECT_TRUE(article_for("dog").contains("a loyal animal"));

  // A changed source is converted again, and its old copy goes.
  source.entries.push_back({"eel", "a long fish"});
  import::test::write_stardict(src_, "animals", source);
  ASSERT_TRUE(window_->open_dictionary_file(QString::fromStdString(ifo)));
  EXPECT_EQ(window_->word_count(), 3u);
  EXPECT_NE(only_dictionary_in(cache_), converted);
  EXPECT_TRUE(sink_.messages().empty());
}

TEST_F(DictionaryImportTest, DamagedSourceNamesTheFileAndPlaceAndKeepsTheOpenDictionary) {
  const std::string index =
      import::test::write_dictd(src_, "broken", {{"a", "a text\n"}, {"b", "b text\n"}}, false);
  test::write_file(index, "a\tA\tH\nb\tA\n");
  start(make_zd("own.zd"));
  ASSERT_FALSE(window_->open_dictionary_file(QString::fromStdString(index)));
  ASSERT_EQ(sink_.messages().size(), 1u);
  const std::string& text = sink_.messages()[0].text;
  EXPECT_NE(text.find(fs::canonical(index).string() + ": line 2: "), std::string::npos) << text;
  EXPECT_EQ(sink_.messages()[0].caption, "Error");
  EXPECT_TRUE(files_in(cache_).empty());
  // The dictionary that was open stays open; the source is not remembered.
  EXPECT_EQ(window_->title_text(), "Lexora  own.zd");
  EXPECT_EQ(window_->word_count(), 1u);
  EXPECT_EQ(recent_.paths().size(), 1u);
}

TEST_F(DictionaryImportTest, BrowserAfterAFailedStartUpConversionOpensInTheSourcesFolder) {
  const std::string index = import::test::write_dictd(src_, "broken", {{"a", "a text\n"}}, false);
  test::write_file(index, "a\tA\n");
  QString folder;
  QObject scope;
  when_modal(
      [&folder](QWidget* modal) {
        if (auto* browser = qobject_cast<FileBrowser*>(modal)) folder = browser->folder();
        modal->close();
      },
      &scope);
  start(index);
  QEventLoop loop;
  QTimer::singleShot(2000, &loop, &QEventLoop::quit);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!folder.isEmpty()) loop.quit();
  });
  poll.start(10);
  loop.exec();
  EXPECT_EQ(folder.toStdString(), fs::canonical(src_).string());
  EXPECT_EQ(sink_.messages().size(), 1u);
}

TEST_F(DictionaryImportTest, CancelInTheProgressDialogLeavesNothingInTheCache) {
  const std::string index =
      import::test::write_dictd(src_, "slow", {{"a", "a text\n"}, {"b", "b text\n"}}, false);
  // The conversion waits in its first progress report until the test has
  // pressed Cancel, so the dialog is up and the conversion under way.
  std::atomic<bool> cancel_pressed{false};
  import::ImportOptions options;
  options.conversion.read_progress = [&cancel_pressed](std::uint64_t, std::uint64_t) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!cancel_pressed.load() && std::chrono::steady_clock::now() < give_up)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return true;
  };
  bool progress_shown = false;
  QObject scope;
  when_modal(
      [&](QWidget* modal) {
        auto* progress = qobject_cast<QProgressDialog*>(modal);
        progress_shown = progress != nullptr;
        if (auto* button = modal->findChild<QPushButton*>()) button->click();
        cancel_pressed = true;
      },
      &scope);
  QString path;
  EXPECT_EQ(import_for_opening(nullptr, QString::fromStdString(index), cache_, options, &path),
            ImportOutcome::kCancelled);
  EXPECT_TRUE(progress_shown);
  EXPECT_TRUE(path.isEmpty());
  EXPECT_TRUE(sink_.messages().empty());
  EXPECT_TRUE(files_in(cache_).empty());
}

TEST_F(DictionaryImportTest, SearchInArticlesReadsTheConvertedCopy) {
  const std::string index = import::test::write_dictd(src_, "fruit",
                                                      {{"apple", "apple\n   a round fruit\n"},
                                                       {"pear", "pear\n   a sweet fruit\n"},
                                                       {"stone", "stone\n   hard\n"}},
                                                      false);
  start(index);
  ASSERT_EQ(window_->word_count(), 3u);
  window_->on_command(cmd::kSearchArticles);
  auto* search = window_->findChild<SearchWindow*>();
  ASSERT_NE(search, nullptr);
  ASSERT_TRUE(search->start_search(QStringLiteral("fruit"), false));
  QEventLoop loop;
  QObject::connect(search, &SearchWindow::search_finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(20000, &loop, &QEventLoop::quit);
  if (search->running()) loop.exec();
  ASSERT_EQ(search->results()->topLevelItemCount(), 2);

  // A result chosen there opens in the main window's article window.
  QString page;
  QObject scope;
  capture_next_article(&page, &scope);
  emit search->results()->itemActivated(search->results()->topLevelItem(1), 0);
  EXPECT_TRUE(page.contains("a sweet fruit")) << page.toStdString();
  window_->shut_down();
}

TEST(DictionaryImport, ForeignSourcesAreKnownByNameOrContentAndZdNeverIs) {
  test::TempDir dir;
  test::write_file(dir.file("a.ifo"), "StarDict's dict ifo file\n");
  test::write_file(dir.file("renamed.zd"), "StarDict's dict ifo file\n");
  test::write_file(dir.file("words.txt"), "StarDict's dict ifo file\n");
  test::write_file(dir.file("notes.txt"), "hello");
  EXPECT_TRUE(is_foreign_dictionary(QString::fromStdString(dir.file("a.ifo"))));
  EXPECT_TRUE(is_foreign_dictionary(QString::fromStdString(dir.file("words.txt"))));
  EXPECT_FALSE(is_foreign_dictionary(QString::fromStdString(dir.file("renamed.zd"))));
  EXPECT_FALSE(is_foreign_dictionary(QString::fromStdString(dir.file("notes.txt"))));
  EXPECT_FALSE(is_foreign_dictionary(QString::fromStdString(dir.file("missing.ifo"))));
}

}  // namespace
}  // namespace lexora
