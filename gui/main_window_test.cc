#include "gui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>

#include "compiler/dictionary_writer.h"
#include "engine/dictionary.h"
#include "engine/dictionary_header.h"
#include "gui/article/article_view.h"
#include "gui/article/article_window.h"
#include "gui/command_ids.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/file_browser.h"
#include "gui/dialogs/info_dialog.h"
#include "gui/modal_test_util.h"
#include "gui/word_controls.h"
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

// The test program's main() makes the application object.
void ensure_app() {
  ASSERT_NE(QApplication::instance(), nullptr);
}

QString word_name(int i) {
  return QStringLiteral("word%1").arg(i, 3, 10, QChar(u'0'));
}

// Writes a dictionary of `count` headwords "word000", "word001", ... whose
// articles name their headwords.
std::string make_dictionary(const test::TempDir& dir, const std::string& name, int count,
                            std::uint32_t flags = 0) {
  compiler::DictionarySource source;
  for (int i = 0; i < count; ++i) {
    const QString word = word_name(i);
    source.entries.emplace_back(word.toStdU16String(),
                                (QStringLiteral("article of ") + word).toStdU16String());
  }
  compiler::DictionaryOptions options;
  options.flags = flags;
  std::string error;
  const std::string path = dir.file(name);
  EXPECT_TRUE(compiler::write_dictionary_file(path, source, options, &error)) << error;
  return path;
}

// Lets posted work run (several rounds, for work that posts work).
void settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

void press(QWidget* target, int key) {
  QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &down);
  QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(target, &up);
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ensure_app();
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir_.path()));
    qputenv("LEXORA_INSTANCE_DIR", QByteArray::fromStdString(dir_.path()));
    registry_ = std::make_unique<Registry>(dir_.file("Lexora.ini"));
  }

  // Makes the window and runs its creation steps with `path`.
  void start(const std::string& path) {
    window_ = std::make_unique<MainWindow>(
        ShellObjects{dictionary_, settings_, recent_, colours_, *registry_});
    window_->resize(360, 480);
    window_->start(QString::fromStdString(path), false);
    window_->show();
  }

  QStringList list_texts() const {
    QStringList texts;
    for (int i = 0; i < window_->word_list()->count(); ++i) {
      texts << window_->word_list()->item(i)->text();
    }
    return texts;
  }

  test::TempDir dir_;
  std::unique_ptr<Registry> registry_;
  Dictionary dictionary_;
  Settings settings_;
  RecentFiles recent_;
  ColourTable colours_;
  RecordingMessageSink sink_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, OpensTheDictionaryAndShowsPageSizePlusOneLines) {
  start(make_dictionary(dir_, "big.zd", 200));
  EXPECT_EQ(window_->title_text(), "Lexora  big.zd");
  EXPECT_EQ(window_->word_count(), 200u);
  ASSERT_GT(window_->page_size(), 2);
  const QStringList texts = list_texts();
  ASSERT_EQ(texts.size(), window_->page_size() + 1);
  EXPECT_EQ(texts.front(), "word000");
  EXPECT_EQ(window_->scroll_bar()->value(), 0);
  EXPECT_EQ(window_->scroll_bar()->pageStep(), window_->page_size());
}

TEST_F(MainWindowTest, ALargerMainFontShowsFewerLines) {
  start(make_dictionary(dir_, "big.zd", 200));
  const int before = window_->page_size();
  settings_.main_font_size = settings_.main_font_size * 2 + 4;
  window_->apply_font_settings();
  EXPECT_EQ(window_->word_list()->font().pixelSize(), settings_.main_font_size);
  EXPECT_LT(window_->page_size(), before);
  EXPECT_EQ(window_->word_list()->count(), window_->page_size() + 1);
  // A face that does not exist gives way to the system font's.
  settings_.main_font = "No Such Face 1234";
  window_->apply_font_settings();
  EXPECT_NE(settings_.main_font, "No Such Face 1234");
  EXPECT_EQ(window_->word_list()->font().family().toStdString(), settings_.main_font);
}

TEST_F(MainWindowTest, SmallDictionaryShowsEveryWord) {
  start(make_dictionary(dir_, "small.zd", 3));
  EXPECT_EQ(window_->page_size(), 3);
  EXPECT_EQ(list_texts(), QStringList({"word000", "word001", "word002"}));
}

TEST_F(MainWindowTest, TypingMovesTheListButNotTheCurrentWord) {
  start(make_dictionary(dir_, "big.zd", 200));
  window_->word_box()->setText("word150");
  EXPECT_EQ(window_->top_index(), 150);
  EXPECT_EQ(window_->current_word_index(), 0u);
  EXPECT_EQ(list_texts().front(), "word150");
  EXPECT_EQ(window_->scroll_bar()->value(), 150);
  // A word between headwords moves to the one the lookup reports.
  window_->word_box()->setText("word0995");
  EXPECT_EQ(list_texts().front(), word_name(window_->top_index()));
  EXPECT_TRUE(window_->top_index() == 99 || window_->top_index() == 100);
}

TEST_F(MainWindowTest, ScrollingStopsAtBothEnds) {
  start(make_dictionary(dir_, "big.zd", 200));
  window_->on_scroll(scroll::kLineUp);
  EXPECT_EQ(window_->top_index(), 0);
  EXPECT_EQ(window_->word_box()->text(), "word000");
  EXPECT_EQ(window_->word_box()->selectedText(), "word000");

  window_->on_scroll(scroll::kPageDown);
  EXPECT_EQ(window_->top_index(), window_->page_size());
  window_->on_scroll(scroll::kBottom);
  EXPECT_EQ(window_->top_index(), 200 - window_->page_size());
  EXPECT_EQ(list_texts().back(), "word199");
  for (int i = 0; i < window_->page_size() + 5; ++i) window_->on_scroll(scroll::kLineDown);
  EXPECT_EQ(window_->top_index(), 199);
  window_->on_scroll(scroll::kTop);
  EXPECT_EQ(window_->top_index(), 0);
  // Writing the top word into the box did not look it up again.
  EXPECT_EQ(window_->current_word_index(), 0u);
}

TEST_F(MainWindowTest, UpAndDownKeysInTheWordBoxScroll) {
  start(make_dictionary(dir_, "big.zd", 200));
  press(window_->word_box(), Qt::Key_Down);
  press(window_->word_box(), Qt::Key_Down);
  EXPECT_EQ(window_->top_index(), 2);
  EXPECT_EQ(window_->word_box()->text(), "word002");
  press(window_->word_box(), Qt::Key_Up);
  EXPECT_EQ(window_->top_index(), 1);
}

TEST_F(MainWindowTest, DoubleClickOnTheThirdLineOpensThatWord) {
  start(make_dictionary(dir_, "big.zd", 200));
  window_->word_box()->setText("word040");
  QString page;
  when_modal([&page](QWidget* modal) {
    auto* article = qobject_cast<ArticleWindow*>(modal);
    ASSERT_NE(article, nullptr);
    page = article->view()->toPlainText();
    press(article, Qt::Key_Escape);
  });
  QListWidgetItem* third = window_->word_list()->item(2);
  emit window_->word_list()->itemDoubleClicked(third);
  EXPECT_EQ(window_->current_word_index(), 42u);
  EXPECT_TRUE(page.contains("article of word042")) << page.toStdString();
  EXPECT_EQ(window_->word_box()->text(), "word042");
  EXPECT_EQ(window_->word_box()->selectedText(), "word042");
  EXPECT_EQ(window_->top_index(), 42);
}

TEST_F(MainWindowTest, EnterOpensTheArticleAndStepsWithVolumeKeys) {
  start(make_dictionary(dir_, "big.zd", 200));
  window_->word_box()->setText("word010");
  QStringList pages;
  when_modal([&pages](QWidget* modal) {
    auto* article = qobject_cast<ArticleWindow*>(modal);
    ASSERT_NE(article, nullptr);
    pages << article->view()->toPlainText();
    press(article, Qt::Key_F7);
    pages << article->view()->toPlainText();
    press(article, Qt::Key_F6);
    press(article, Qt::Key_F6);
    pages << article->view()->toPlainText();
    press(article, Qt::Key_Escape);
  });
  press(window_->word_box(), Qt::Key_Return);
  ASSERT_EQ(pages.size(), 3);
  EXPECT_TRUE(pages[0].contains("article of word010"));
  EXPECT_TRUE(pages[1].contains("article of word011"));
  EXPECT_TRUE(pages[2].contains("article of word009"));
  // Closing moves the list to the shown word and hands it to the word box.
  EXPECT_EQ(window_->current_word_index(), 9u);
  EXPECT_EQ(window_->top_index(), 9);
  EXPECT_EQ(window_->word_box()->text(), "word009");
}

TEST_F(MainWindowTest, VolumeKeysStopAtTheFirstAndLastWord) {
  start(make_dictionary(dir_, "small.zd", 3));
  when_modal([](QWidget* modal) {
    press(modal, Qt::Key_F6);
    press(modal, Qt::Key_Escape);
  });
  press(window_->word_list(), Qt::Key_Return);
  EXPECT_EQ(window_->current_word_index(), 0u);
  window_->word_box()->setText("word002");
  when_modal([](QWidget* modal) {
    press(modal, Qt::Key_F7);
    press(modal, Qt::Key_Escape);
  });
  press(window_->word_box(), Qt::Key_Return);
  EXPECT_EQ(window_->current_word_index(), 2u);
}

TEST_F(MainWindowTest, PasteReplacesTheSelectionAndLooksUp) {
  start(make_dictionary(dir_, "big.zd", 200));
  QApplication::clipboard()->setText("word077");
  window_->word_box()->setText("xyz");
  window_->word_box()->selectAll();
  window_->on_command(cmd::kPaste);
  EXPECT_EQ(window_->word_box()->text(), "word077");
  EXPECT_EQ(window_->top_index(), 77);
  EXPECT_EQ(list_texts().front(), "word077");
}

TEST_F(MainWindowTest, CopyTakesOnlyTheSelection) {
  start(make_dictionary(dir_, "big.zd", 200));
  QApplication::clipboard()->setText("before");
  window_->word_box()->setText("word012");
  window_->word_box()->deselect();
  window_->on_command(cmd::kCopy);
  EXPECT_EQ(QApplication::clipboard()->text(), "before");
  window_->word_box()->setSelection(0, 4);
  window_->on_command(cmd::kCopy);
  EXPECT_EQ(QApplication::clipboard()->text(), "word");
}

TEST_F(MainWindowTest, ClipboardSearchOpensAnExactWord) {
  start(make_dictionary(dir_, "big.zd", 200));
  QApplication::clipboard()->setText("word123");
  bool opened = false;
  when_modal([&opened](QWidget* modal) {
    auto* article = qobject_cast<ArticleWindow*>(modal);
    opened = article && article->view()->toPlainText().contains("article of word123");
    press(modal, Qt::Key_Escape);
  });
  window_->clipboard_search();
  EXPECT_TRUE(opened);
  EXPECT_EQ(window_->current_word_index(), 123u);
  EXPECT_EQ(window_->word_box()->text(), "word123");
}

TEST_F(MainWindowTest, ClipboardSearchLeavesAnInexactWordInTheBox) {
  start(make_dictionary(dir_, "big.zd", 200));
  QApplication::clipboard()->setText("word05x");
  bool modal_seen = false;
  // Fires in the article window's loop if one opens, else in settle().
  QTimer::singleShot(0, [&modal_seen] {
    QWidget* modal = QApplication::activeModalWidget();
    modal_seen = modal != nullptr;
    if (modal) modal->close();
  });
  window_->clipboard_search();
  settle();
  EXPECT_FALSE(modal_seen);
  EXPECT_EQ(window_->word_box()->text(), "word05x");
  EXPECT_EQ(list_texts().front(), word_name(window_->top_index()));
}

TEST_F(MainWindowTest, FailedOpenDropsTheRecentEntryAndShowsTheBrowser) {
  const std::string good = make_dictionary(dir_, "good.zd", 10);
  const std::string missing = dir_.file("gone.zd");
  start(good);
  ASSERT_TRUE(window_->open_dictionary_file(QString::fromStdString(missing)) == false);
  ASSERT_EQ(sink_.texts(), std::vector<std::string>({"Can't open file " + missing}));
  EXPECT_EQ(sink_.messages()[0].caption, "Error");
  EXPECT_EQ(window_->word_count(), 0u);
  EXPECT_EQ(window_->word_list()->count(), 0);
  // The title stays that of the last dictionary that opened.
  EXPECT_EQ(window_->title_text(), "Lexora  good.zd");

  // From the dictionary menu: the entry goes and the browser comes.
  window_->open_dictionary_file(QString::fromStdString(good));
  const QList<QAction*> before = window_->dictionary_menu()->actions();
  ASSERT_EQ(before.size(), 1);
  EXPECT_EQ(before[0]->text(), "good.zd");
  std::filesystem::remove(good);
  sink_.clear();
  bool browser_shown = false;
  when_modal([&browser_shown](QWidget* modal) {
    browser_shown = qobject_cast<FileBrowser*>(modal) != nullptr;
    if (modal) modal->close();
  });
  window_->on_command(cmd::kFirstRecent);
  settle();
  EXPECT_EQ(sink_.texts().size(), 1u);
  EXPECT_TRUE(window_->dictionary_menu()->actions().isEmpty());
  EXPECT_TRUE(browser_shown);
}

TEST_F(MainWindowTest, TheEnginesMessagesComeFirstAndWarningsLetTheFileOpen) {
  start(make_dictionary(dir_, "good.zd", 10));
  const std::string wrong = make_dictionary(dir_, "wrong.zd", 10);
  test::patch_u16(wrong, 0, 9);  // version 9
  sink_.clear();
  EXPECT_FALSE(window_->open_dictionary_file(QString::fromStdString(wrong)));
  EXPECT_EQ(sink_.texts(),
            std::vector<std::string>({"Wrong version or file format", "Can't open file " + wrong}));
  EXPECT_EQ(sink_.messages()[0].caption, "Error");
  EXPECT_EQ(sink_.messages()[0].icon, MessageIcon::kError);

  const std::string odd = make_dictionary(dir_, "odd.zd", 10);
  test::patch_u32(odd, 38, 12345);  // words_code_page
  sink_.clear();
  EXPECT_TRUE(window_->open_dictionary_file(QString::fromStdString(odd)));
  EXPECT_EQ(sink_.texts(), std::vector<std::string>({"Codepage 12345 isn't supported"}));
  EXPECT_EQ(window_->word_count(), 10u);
}

TEST_F(MainWindowTest, DictionaryMenuListsNewestFirstAndOpensByCommand) {
  const std::string a = make_dictionary(dir_, "a.zd", 5);
  const std::string b = make_dictionary(dir_, "b.zd", 6);
  const std::string c = make_dictionary(dir_, "c.zd", 7);
  start(a);
  window_->open_dictionary_file(QString::fromStdString(b));
  window_->open_dictionary_file(QString::fromStdString(c));
  QStringList labels;
  for (QAction* action : window_->dictionary_menu()->actions()) labels << action->text();
  EXPECT_EQ(labels, QStringList({"c.zd", "b.zd", "a.zd"}));
  // 49999 + 2 is the oldest entry.
  window_->on_command(cmd::kFirstRecent + 2);
  EXPECT_EQ(window_->current_path().toStdString(), a);
  EXPECT_EQ(window_->word_count(), 5u);
  labels.clear();
  for (QAction* action : window_->dictionary_menu()->actions()) labels << action->text();
  EXPECT_EQ(labels, QStringList({"a.zd", "c.zd", "b.zd"}));
}

TEST_F(MainWindowTest, AboutBoxLeadsToTheIntegrityCheck) {
  start(make_dictionary(dir_, "checked.zd", 20, FLAG_HAS_CHECKSUM));
  QString version;
  QString path;
  QString words;
  when_modal([&](QWidget* modal) {
    auto* about = qobject_cast<AboutDialog*>(modal);
    ASSERT_NE(about, nullptr);
    version = about->findChild<QLabel*>("version")->text();
    when_modal([&](QWidget* inner) {
      auto* info = qobject_cast<InfoDialog*>(inner);
      ASSERT_NE(info, nullptr);
      path = info->path_text();
      words = info->word_count_text();
      info->check_integrity();
      info->done(cmd::kOk);
    });
    about->on_command(cmd::kDictionaryInfo);
    about->on_command(cmd::kOk);
  });
  window_->on_command(cmd::kAbout);
  EXPECT_EQ(version, "Lexora v1.6.17");
  EXPECT_EQ(path.toStdString(), dir_.file("checked.zd"));
  EXPECT_EQ(words, "20 words");
  ASSERT_EQ(sink_.texts(), std::vector<std::string>({"No errors"}));
  EXPECT_EQ(sink_.messages()[0].caption, "Check CRC");
}

TEST_F(MainWindowTest, IntegrityCheckReportsAFileWithoutChecksum) {
  start(make_dictionary(dir_, "plain.zd", 20));
  InfoDialog info(dictionary_, window_.get());
  info.check_integrity();
  ASSERT_EQ(sink_.texts(), std::vector<std::string>({"The dict file doesn't contain CRC info"}));
  EXPECT_EQ(sink_.messages()[0].icon, MessageIcon::kInformation);
}

TEST_F(MainWindowTest, IntegrityCheckReportsAChangedByte) {
  const std::string path = make_dictionary(dir_, "bad.zd", 20, FLAG_HAS_CHECKSUM);
  start(path);
  // The last byte before the stored checksum.
  test::corrupt_byte(path, std::filesystem::file_size(path) - kChecksumSize - 1);
  InfoDialog info(dictionary_, window_.get());
  info.check_integrity();
  ASSERT_EQ(sink_.texts(), std::vector<std::string>({"Wrong CRC!"}));
  EXPECT_EQ(sink_.messages()[0].icon, MessageIcon::kError);
}

TEST_F(MainWindowTest, ReaderColoursRecolourTheControls) {
  start(make_dictionary(dir_, "big.zd", 20));
  std::vector<std::uint8_t> block(kColourBlockSize, 0);
  // Entry 1 (background) pure blue, entry 0 (text) white.
  block[0] = block[1] = block[2] = 0xFF;
  block[4 + 2] = 0xFF;
  EXPECT_FALSE(window_->reader_colours(2, block));
  EXPECT_FALSE(window_->reader_colours(kReaderColoursData, std::vector<std::uint8_t>(59)));
  EXPECT_TRUE(window_->reader_colours(kReaderColoursData, block));
  EXPECT_TRUE(window_->colours_in_effect());
  EXPECT_EQ(window_->word_list()->palette().color(QPalette::Base), QColor(0, 0, 255));
  EXPECT_EQ(window_->word_box()->palette().color(QPalette::Text), QColor(255, 255, 255));
  EXPECT_TRUE(window_->page_style().colours_in_effect);
}

TEST_F(MainWindowTest, AcceleratorsWorkWhicheverControlHasTheFocus) {
  start(make_dictionary(dir_, "big.zd", 20));
  window_->word_box()->setText("word003");
  for (QWidget* focus :
       {static_cast<QWidget*>(window_->word_box()), static_cast<QWidget*>(window_->word_list())}) {
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    focus->setFocus();
    bool about = false;
    when_modal([&about](QWidget* modal) {
      about = qobject_cast<AboutDialog*>(modal) != nullptr;
      modal->close();
    });
    QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(about) << focus->metaObject()->className();
  }
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  window_->word_box()->setFocus();
  QTest::keyClick(window_->word_box(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(MainWindowTest, RefillDropsTheHighlightAndEnterOpensTheHighlightedWord) {
  start(make_dictionary(dir_, "big.zd", 200));
  WordList* list = window_->word_list();
  list->setCurrentRow(2);
  ASSERT_EQ(list->highlighted_row(), 2);
  // Scrolling puts other words on the lines: no line stays highlighted.
  window_->on_scroll(scroll::kLineDown);
  EXPECT_EQ(list->highlighted_row(), -1);
  EXPECT_TRUE(list->selectedItems().isEmpty());
  list->setCurrentRow(3);
  window_->word_box()->setText("word100");
  EXPECT_EQ(list->highlighted_row(), -1);

  // Enter on the list opens the highlighted line...
  list->setCurrentRow(2);
  QString page;
  when_modal([&page](QWidget* modal) {
    auto* article = qobject_cast<ArticleWindow*>(modal);
    ASSERT_NE(article, nullptr);
    page = article->view()->toPlainText();
    press(article, Qt::Key_Escape);
  });
  press(list, Qt::Key_Return);
  EXPECT_EQ(window_->current_word_index(), 102u);
  EXPECT_TRUE(page.contains("article of word102")) << page.toStdString();
  // ...and the top line when none is highlighted.
  EXPECT_EQ(list->highlighted_row(), -1);
  when_modal([](QWidget* modal) { press(modal, Qt::Key_Escape); });
  press(list, Qt::Key_Return);
  EXPECT_EQ(window_->current_word_index(), 102u);
}

// The largest difference of one colour channel between two colours.
int contrast(const QColor& a, const QColor& b) {
  return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                   std::abs(a.blue() - b.blue())});
}

TEST_F(MainWindowTest, WordBoxBorderShowsInEveryColourSet) {
  start(make_dictionary(dir_, "big.zd", 20));
  settings_.g_use_colors_profile = true;
  struct Set {
    const char* name;
    ColourRef text, background;
  };
  for (const Set& set : {Set{"dark", 0xE0E0E0, 0x202020}, Set{"light", 0x000000, 0xFFFFFF},
                         Set{"blue", 0xFFFFFF, 0x800000}}) {
    ColourEntries entries = builtin_colours();
    entries[kColourText] = set.text;
    entries[kColourBackground] = set.background;
    colours_.set_entries(entries);
    window_->apply_colour_settings();
    window_->word_list()->setFocus();
    window_->word_box()->clearFocus();
    const QImage box = window_->word_box()->grab().toImage();
    const QColor background(red_of(set.background), green_of(set.background),
                            blue_of(set.background));
    // The strongest edge along the box's left border, against the window's
    // background around it.
    int best = 0;
    for (int x = 0; x < 2; ++x)
      best = std::max(best, contrast(box.pixelColor(x, box.height() / 2), background));
    EXPECT_GE(best, 64) << set.name;
  }
}

TEST_F(MainWindowTest, MainFontSizeLeavesTheArticleTextSizeAlone) {
  start(make_dictionary(dir_, "big.zd", 20));
  settings_.main_font_size = 41;
  window_->apply_font_settings();
  ASSERT_EQ(window_->word_box()->font().pixelSize(), 41);
  QFont article_font;
  when_modal([&article_font](QWidget* modal) {
    auto* article = qobject_cast<ArticleWindow*>(modal);
    ASSERT_NE(article, nullptr);
    article_font = article->view()->font();
    press(article, Qt::Key_Escape);
  });
  press(window_->word_box(), Qt::Key_Return);
  EXPECT_NE(article_font.pixelSize(), 41);
  EXPECT_EQ(article_font.family(), window_->word_box()->font().family());
}

TEST_F(MainWindowTest, OneFileReachedByTwoPathsIsOneRecentEntry) {
  std::filesystem::create_directory(dir_.file("sub"));
  const std::string real = make_dictionary(dir_, "sub/a.zd", 20);
  std::filesystem::create_symlink(real, dir_.file("link.zd"));
  const std::string canonical = std::filesystem::canonical(real).string();
  start(dir_.file("sub/../sub/./a.zd"));
  ASSERT_EQ(window_->word_count(), 20u);
  EXPECT_EQ(recent_.paths(), std::vector<std::string>{canonical});
  ASSERT_TRUE(window_->open_dictionary_file(QString::fromStdString(dir_.file("link.zd"))));
  EXPECT_EQ(recent_.paths(), std::vector<std::string>{canonical});
  EXPECT_EQ(window_->title_text(), "Lexora  a.zd");
}

}  // namespace
}  // namespace lexora
