#include "gui/search_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <optional>

#include "compiler/dictionary_writer.h"
#include "engine/dictionary.h"
#include "gui/article/article_view.h"
#include "gui/article/article_window.h"
#include "gui/main_window.h"
#include "gui/modal_test_util.h"
#include "gui/search_highlight.h"
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

constexpr int kSearchWaitMs = 60000;

// Articles "article of wordNNN"; every seventh one also holds a visible
// "needle", the others hide one in a reference.
std::string make_dictionary(const test::TempDir& dir, int count) {
  compiler::DictionarySource source;
  for (int i = 0; i < count; ++i) {
    const QString word = QStringLiteral("word%1").arg(i, 5, 10, QChar(u'0'));
    QString article = QStringLiteral("article of ") + word;
    article +=
        i % 7 == 3 ? QStringLiteral(", a <b>Needle</b> in it") : QStringLiteral(" <r>needle</r>");
    source.entries.emplace_back(word.toStdU16String(), article.toStdU16String());
  }
  compiler::DictionaryOptions options;
  options.articles_per_block = 16;
  std::string error;
  const std::string path = dir.file("needles.zd");
  EXPECT_TRUE(compiler::write_dictionary_file(path, source, options, &error)) << error;
  return path;
}

// Runs the event loop until `window` reports the end of its search; false
// after `ms` milliseconds without it.
bool wait_for_end(SearchWindow* window, int ms) {
  QEventLoop loop;
  bool ended = false;
  QObject::connect(window, &SearchWindow::search_finished, &loop, [&] {
    ended = true;
    loop.quit();
  });
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  if (window->running()) loop.exec();
  return ended;
}

class SearchWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(QApplication::instance(), nullptr); }

  test::TempDir dir_;
  RecordingMessageSink sink_;
};

TEST_F(SearchWindowTest, FillsWhileSearchingAndHandsOverTheChosenResult) {
  const QString path = QString::fromStdString(make_dictionary(dir_, 300));
  std::optional<SearchChoice> chosen;
  SearchWindow window([path] { return path; }, [&](const SearchChoice& c) { chosen = c; });
  window.show();
  window.query_box()->setText(QStringLiteral("NEEDLE"));
  emit window.query_box()->returnPressed();
  EXPECT_TRUE(window.cancel_button()->isEnabled());
  ASSERT_TRUE(wait_for_end(&window, kSearchWaitMs));

  // Articles 3, 10, 17, ... in headword order; none of the hidden ones.
  ASSERT_EQ(window.results()->topLevelItemCount(), 43);
  EXPECT_EQ(window.results()->topLevelItem(0)->text(0), QStringLiteral("word00003"));
  EXPECT_EQ(window.results()->topLevelItem(1)->text(0), QStringLiteral("word00010"));
  EXPECT_EQ(window.results()->topLevelItem(1)->text(1),
            QStringLiteral("article of word00010, a Needle in it"));
  EXPECT_EQ(window.progress()->value(), window.progress()->maximum());
  EXPECT_FALSE(window.cancel_button()->isEnabled());
  EXPECT_TRUE(window.status()->text().contains(QStringLiteral("43")));

  QTreeWidgetItem* second = window.results()->topLevelItem(1);
  emit window.results()->itemActivated(second, 0);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(chosen->path, path);
  EXPECT_EQ(chosen->index, 10u);
  EXPECT_EQ(chosen->marks, QStringList{QStringLiteral("needle")});
  EXPECT_TRUE(chosen->word_starts);
}

TEST_F(SearchWindowTest, BadQueryOrNoDictionarySaysWhyAndStartsNothing) {
  QString path;
  SearchWindow window([&path] { return path; }, [](const SearchChoice&) {});
  EXPECT_FALSE(window.start_search(QStringLiteral("x"), false));
  EXPECT_FALSE(window.status()->text().isEmpty());
  path = QString::fromStdString(make_dictionary(dir_, 10));
  EXPECT_FALSE(window.start_search(QStringLiteral("(x"), true));
  EXPECT_TRUE(window.status()->text().contains(QStringLiteral("regular expression")));
  EXPECT_FALSE(window.running());
}

TEST_F(SearchWindowTest, CancelEndsARunningSearch) {
  const QString path = QString::fromStdString(make_dictionary(dir_, 60000));
  SearchWindow window([path] { return path; }, [](const SearchChoice&) {});
  ASSERT_TRUE(window.start_search(QStringLiteral("article"), false));
  emit window.cancel_button()->clicked();
  ASSERT_TRUE(wait_for_end(&window, kSearchWaitMs));
  EXPECT_TRUE(window.status()->text().startsWith(QStringLiteral("Cancelled")))
      << window.status()->text().toStdString();
  EXPECT_LT(window.results()->topLevelItemCount(), 60000);
  EXPECT_FALSE(window.running());
}

QAction* find_action(QWidget* window, const QString& text) {
  for (QAction* action : window->findChildren<QAction*>())
    if (action->text() == text) return action;
  return nullptr;
}

TEST_F(SearchWindowTest, MainWindowCommandOpensTheArticleOfAResultWithItsMatchesMarked) {
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir_.path()));
  qputenv("LEXORA_INSTANCE_DIR", QByteArray::fromStdString(dir_.path()));
  Registry registry(dir_.file("Lexora.ini"));
  Dictionary dictionary;
  Settings settings;
  RecentFiles recent;
  ColourTable colours;
  MainWindow main_window(ShellObjects{dictionary, settings, recent, colours, registry});
  main_window.resize(360, 480);
  main_window.start(QString::fromStdString(make_dictionary(dir_, 40)), false);
  main_window.show();

  QAction* command = find_action(&main_window, QStringLiteral("Search in articles..."));
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  command->trigger();
  auto* search = main_window.findChild<SearchWindow*>();
  ASSERT_NE(search, nullptr);
  EXPECT_TRUE(search->isVisible());

  ASSERT_TRUE(search->start_search(QStringLiteral("needle"), false));
  ASSERT_TRUE(wait_for_end(search, kSearchWaitMs));
  ASSERT_EQ(search->results()->topLevelItemCount(), 6);  // 3, 10, 17, 24, 31, 38

  QString page;
  int marks = -1;
  when_modal([&](QWidget* modal) {
    auto* article = qobject_cast<ArticleWindow*>(modal);
    ASSERT_NE(article, nullptr);
    page = article->view()->toPlainText();
    marks = highlight_count(article->view());
    article->done(0);
  });
  emit search->results()->itemActivated(search->results()->topLevelItem(2), 0);
  EXPECT_EQ(main_window.current_word_index(), 17u);
  EXPECT_TRUE(page.contains(QStringLiteral("article of word00017, a Needle in it")))
      << page.toStdString();
  EXPECT_EQ(marks, 1);
  main_window.shut_down();
}

}  // namespace
}  // namespace lexora
