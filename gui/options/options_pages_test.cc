#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>

#include <memory>
#include <string>

#include "engine/dictionary.h"
#include "gui/options/create_link.h"
#include "gui/options/dictionary_page.h"
#include "gui/options/font_page.h"
#include "gui/options/general_page.h"
#include "model/colour_table.h"
#include "model/recent_files.h"
#include "model/settings.h"
#include "platform/messages.h"
#include "platform/qt/registry.h"
#include "testing/recording_message_sink.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

using test::TempDir;

class OptionsPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(QApplication::instance(), nullptr);
    registry_ = std::make_unique<Registry>(dir_.file("Lexora.ini"));
    context_ = std::make_unique<OptionsContext>(OptionsContext{
        settings_, recent_, *registry_, dictionary_, colours_, QString::fromStdString(dir_.path()),
        [this] { return dictionary_path_; }, [] { return 42; }, [this] { ++fonts_changed_; },
        [this] { ++colours_changed_; },
        [this](QWidget*, const QString& start, const QString& types, bool save) {
          chooser_calls_.push_back({start, types, save});
          return chosen_file_;
        }});
  }

  // The settings as the next start of the program would read them.
  Settings reloaded() {
    Settings settings;
    RecentFiles recent;
    load_settings(*registry_, settings, recent);
    return settings;
  }

  struct ChooserCall {
    QString start;
    QString types;
    bool save;
  };

  TempDir dir_;
  std::unique_ptr<Registry> registry_;
  Settings settings_;
  RecentFiles recent_;
  Dictionary dictionary_;
  ColourTable colours_;
  QString dictionary_path_;
  QString chosen_file_;
  std::vector<ChooserCall> chooser_calls_;
  int fonts_changed_ = 0;
  int colours_changed_ = 0;
  std::unique_ptr<OptionsContext> context_;
  RecordingMessageSink messages_;
};

TEST_F(OptionsPagesTest, GeneralPageIsFilledFromTheSettings) {
  settings_.n_recent_files = 5;
  settings_.find_cb = 1;
  settings_.g_allow_mult_dict = false;
  settings_.arrow_redefine = 1;
  settings_.g_show_only_card = true;
  settings_.g_smart_menu = false;
  settings_.g_mr_dict_path = "/cards/mine.pdb";
  GeneralPage page(*context_, nullptr);
  EXPECT_EQ(page.recent_field()->text(), "5");
  EXPECT_EQ(page.recent_field()->maxLength(), 2);
  EXPECT_TRUE(page.check(general_ids::kFindClipboard)->isChecked());
  EXPECT_FALSE(page.check(general_ids::kAllowMultiple)->isChecked());
  EXPECT_TRUE(page.check(general_ids::kArrowRedefine)->isChecked());
  EXPECT_TRUE(page.check(general_ids::kShowOnlyCard)->isChecked());
  EXPECT_FALSE(page.check(general_ids::kSmartMenu)->isChecked());
  EXPECT_EQ(page.database_field()->text(), "/cards/mine.pdb");
}

TEST_F(OptionsPagesTest, GeneralPageAppliesAndSavesEveryControl) {
  GeneralPage page(*context_, nullptr);
  page.recent_field()->setText("3");
  page.check(general_ids::kFindClipboard)->setChecked(true);
  page.check(general_ids::kAllowMultiple)->setChecked(true);
  page.check(general_ids::kShowOnlyCard)->setChecked(true);
  page.database_field()->setText("/x/cards.pdb");
  page.accept();
  EXPECT_EQ(page.result(), QDialog::Accepted);
  const Settings saved = reloaded();
  EXPECT_EQ(saved.n_recent_files, 3);
  EXPECT_EQ(saved.find_cb, 1);
  EXPECT_TRUE(saved.g_allow_mult_dict);
  EXPECT_TRUE(saved.g_show_only_card);
  EXPECT_EQ(saved.g_mr_dict_path, "/x/cards.pdb");
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(OptionsPagesTest, FewerRecentFilesDropTheOldestAtOnce) {
  recent_.recent_set_limit(8, false);
  for (const char* path : {"/d/a.zd", "/d/b.zd", "/d/c.zd", "/d/e.zd"}) recent_.recent_add(path);
  GeneralPage page(*context_, nullptr);
  page.recent_field()->setText("2");
  page.accept();
  ASSERT_EQ(recent_.paths().size(), 2u);
  EXPECT_EQ(recent_.paths().back(), "/d/e.zd");
  EXPECT_EQ(recent_.paths().front(), "/d/c.zd");
}

TEST_F(OptionsPagesTest, CancelChangesNoSetting) {
  settings_.n_recent_files = 4;
  GeneralPage page(*context_, nullptr);
  page.recent_field()->setText("9");
  page.check(general_ids::kFindClipboard)->setChecked(true);
  page.database_field()->setText("/elsewhere.pdb");
  page.reject();
  EXPECT_EQ(settings_.n_recent_files, 4);
  EXPECT_EQ(settings_.find_cb, 0);
  EXPECT_NE(settings_.g_mr_dict_path, "/elsewhere.pdb");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir_.file("Lexora.ini"))));

  FontPage font(*context_, nullptr);
  font.size_field()->setText("30");
  font.use_colour_profile()->setChecked(!settings_.g_use_colors_profile);
  font.reject();
  EXPECT_NE(settings_.main_font_size, 30);
  EXPECT_EQ(fonts_changed_, 0);
}

TEST_F(OptionsPagesTest, IntegerFieldsFollowThePercentIRules) {
  GeneralPage page(*context_, nullptr);
  page.recent_field()->setText("08");
  page.accept();
  EXPECT_EQ(settings_.n_recent_files, 0);

  FontPage font(*context_, nullptr);
  font.size_field()->setText("0x10");
  font.accept();
  EXPECT_EQ(settings_.main_font_size, 16);
  font.size_field()->setText("020");
  font.accept();
  EXPECT_EQ(settings_.main_font_size, 16);  // octal 20
}

TEST_F(OptionsPagesTest, NoNumberShowsTheMessageAndKeepsThePageOpen) {
  settings_.main_font_size = 15;
  FontPage font(*context_, nullptr);
  font.size_field()->setText("big");
  font.use_reader_colours()->setChecked(!settings_.g_use_lumira_profile);
  const bool lumira_before = settings_.g_use_lumira_profile;
  EXPECT_FALSE(font.apply());
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].text, "Ожидается целое число");
  EXPECT_EQ(messages_.messages()[0].caption, "Ошибка");
  EXPECT_EQ(messages_.messages()[0].icon, MessageIcon::kError);
  // Nothing further of the page was applied.
  EXPECT_EQ(settings_.main_font_size, 15);
  EXPECT_EQ(settings_.g_use_lumira_profile, lumira_before);
  EXPECT_EQ(fonts_changed_, 0);

  GeneralPage page(*context_, nullptr);
  page.recent_field()->setText("");
  EXPECT_FALSE(page.apply());
  EXPECT_EQ(messages_.messages().size(), 2u);
}

TEST_F(OptionsPagesTest, OutOfRangeFontSizesAreBroughtWithinBounds) {
  FontPage font(*context_, nullptr);
  font.size_field()->setText("0");
  font.accept();
  EXPECT_EQ(settings_.main_font_size, kMinMainFontPixels);
  font.size_field()->setText("5000");
  font.accept();
  EXPECT_EQ(settings_.main_font_size, kMaxMainFontPixels);
}

TEST_F(OptionsPagesTest, RestartMessageOnlyWhenTheMenuFormChanges) {
  settings_.g_smart_menu = true;
  {
    GeneralPage page(*context_, nullptr);
    page.accept();
  }
  EXPECT_TRUE(messages_.messages().empty());
  {
    GeneralPage page(*context_, nullptr);
    page.check(general_ids::kSmartMenu)->setChecked(false);
    page.accept();
  }
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].text, "Restart the program to apply the changes");
  EXPECT_EQ(messages_.messages()[0].caption, "Information");
  EXPECT_FALSE(settings_.g_smart_menu);
}

TEST_F(OptionsPagesTest, DatabaseBrowserIsTheSaveFormInTheDocumentsFolder) {
  chosen_file_ = "/home/u/Documents/words.pdb";
  GeneralPage page(*context_, nullptr);
  page.browse_database();
  ASSERT_EQ(chooser_calls_.size(), 1u);
  EXPECT_TRUE(chooser_calls_[0].save);
  EXPECT_EQ(chooser_calls_[0].types, "Memorin (*.pdb)");
  EXPECT_EQ(chooser_calls_[0].start,
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
  EXPECT_EQ(page.database_field()->text(), chosen_file_);
  // The setting changes only when the page is applied.
  EXPECT_NE(settings_.g_mr_dict_path, chosen_file_.toStdString());
}

TEST_F(OptionsPagesTest, DictionaryPageSetsPunctuationAndSavesUnderTheFileName) {
  settings_.smart_find = 0;
  settings_.last_word = 0;
  dictionary_path_ = "/dicts/en-ru.zd";
  DictionaryPage page(*context_, nullptr);
  EXPECT_FALSE(page.ignore_punctuation()->isChecked());
  page.ignore_punctuation()->setChecked(true);
  page.save_position()->setChecked(true);
  page.accept();
  EXPECT_TRUE(dictionary_.ignore_punctuation());
  Settings read;
  read_dictionary_values(*registry_, read, "en-ru.zd");
  EXPECT_EQ(read.smart_find, 1);
  EXPECT_EQ(read.last_word, 1);
  EXPECT_EQ(read.last_word_id, 42);
}

TEST_F(OptionsPagesTest, FontPageAppliesFamilyColoursAndTellsTheWindow) {
  colours_.set_reader_colours_received(true);
  settings_.g_use_colors_profile = true;
  FontPage font(*context_, nullptr);
  ASSERT_GT(font.family_box()->count(), 0);
  EXPECT_EQ(font.family_box()->count(), QFontDatabase::families().size());
  font.family_box()->setCurrentIndex(0);
  font.use_colour_profile()->setChecked(false);
  font.size_field()->setText("18");
  font.accept();
  EXPECT_EQ(settings_.main_font, QFontDatabase::families().front().toStdString());
  EXPECT_EQ(settings_.main_font_size, 18);
  EXPECT_FALSE(settings_.g_use_colors_profile);
  // Unticking the profile forgets the colours the reader sent.
  EXPECT_FALSE(colours_.reader_colours_received());
  EXPECT_EQ(fonts_changed_, 1);
  EXPECT_EQ(colours_changed_, 1);
  EXPECT_EQ(reloaded().main_font_size, 18);
}

// A copy of a system font whose family is renamed in its name table, so that
// adding it brings a family the platform did not have.
QString renamed_font(const TempDir& dir) {
  QFile source(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
  if (!source.open(QIODevice::ReadOnly)) return QString();
  QByteArray bytes = source.readAll();
  const QString from = QStringLiteral("DejaVu Sans");
  const QString to = QStringLiteral("Lexora Test");  // same length
  bytes.replace(from.toLatin1(), to.toLatin1());
  QByteArray from16, to16;
  for (int i = 0; i < from.size(); ++i) {
    from16.append('\0').append(from[i].toLatin1());
    to16.append('\0').append(to[i].toLatin1());
  }
  bytes.replace(from16, to16);
  const QString path = QString::fromStdString(dir.file("renamed.ttf"));
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) return QString();
  return path;
}

TEST_F(OptionsPagesTest, FontFileSelectsTheFamilyItBrought) {
  const QString path = renamed_font(dir_);
  ASSERT_FALSE(path.isEmpty()) << "fonts-dejavu-core is needed";
  chosen_file_ = path;
  FontPage font(*context_, nullptr);
  font.browse_font();
  ASSERT_EQ(chooser_calls_.size(), 1u);
  EXPECT_FALSE(chooser_calls_[0].save);
  EXPECT_EQ(chooser_calls_[0].types, "Font files (*.ttf)\nAll files (*.*)");
  EXPECT_EQ(font.family_box()->currentText(), "Lexora Test");
  EXPECT_EQ(font.extra_font_field()->text(), path);

  // A file whose families are all there already keeps the selection.
  font.family_box()->setCurrentIndex(font.family_box()->findText("Lexora Test"));
  EXPECT_TRUE(font.add_font_file(path));
  EXPECT_EQ(font.family_box()->currentText(), "Lexora Test");
  EXPECT_FALSE(font.add_font_file(QString::fromStdString(dir_.file("missing.ttf"))));
}

TEST_F(OptionsPagesTest, LinkFileHoldsTheProgramAndDictionaryPaths) {
  const QString file = QString::fromStdString(dir_.file("my link.lnk"));
  ASSERT_TRUE(
      write_link_file(file, "/opt/Lexora/lexora", "/home/ann/Мои словари/en ru.zd", nullptr));
  QFile in(file);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  EXPECT_EQ(in.readAll().toStdString(), "11#\"/opt/Lexora/lexora\" /home/ann/Мои словари/en ru.zd");

  ASSERT_TRUE(write_link_file(file, "/opt/Lexora/lexora", QString(), nullptr));
  in.close();
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  EXPECT_EQ(in.readAll().toStdString(), "11#\"/opt/Lexora/lexora\" ");
}

TEST_F(OptionsPagesTest, LauncherPassesTheDesktopFileValidator) {
  const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
  ASSERT_FALSE(validator.isEmpty()) << "desktop-file-utils is needed";
  const QString file = QString::fromStdString(dir_.file("en-ru.desktop"));
  ASSERT_TRUE(write_link_file(file, "/usr/lib/lexora/lexora", "/home/ann/100% $x/словарь \"q\".zd",
                              nullptr));
  QProcess check;
  check.start(validator, {file});
  ASSERT_TRUE(check.waitForFinished(30000));
  EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString()
                                 << check.readAllStandardError().toStdString();
}

TEST_F(OptionsPagesTest, CreateLinkOffersBothTypesInTheApplicationsFolder) {
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir_.file("data")));
  chosen_file_.clear();
  EXPECT_FALSE(create_link(nullptr, context_->choose_file, "/p/lexora", "/d/x.zd"));
  ASSERT_EQ(chooser_calls_.size(), 1u);
  EXPECT_TRUE(chooser_calls_[0].save);
  EXPECT_EQ(chooser_calls_[0].types, "Links (*.lnk)\nDesktop launchers (*.desktop)");
  EXPECT_EQ(chooser_calls_[0].start, QString::fromStdString(dir_.file("data/applications")));
  EXPECT_TRUE(QFile::exists(chooser_calls_[0].start));
  qunsetenv("XDG_DATA_HOME");
}

TEST_F(OptionsPagesTest, UnwritableLinkSaysFileCreationError) {
  EXPECT_FALSE(write_link_file(QString::fromStdString(dir_.file("no/such/folder/x.lnk")),
                               "/p/lexora", "/d/x.zd", nullptr));
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].text, "File creation error");
  EXPECT_EQ(messages_.messages()[0].caption, "Error");
}

}  // namespace
}  // namespace lexora
