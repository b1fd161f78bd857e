// The article window driven as a user drives it: real clicks on the real
// link targets of a dictionary and pack compiled here, menu commands, keys.
// Message boxes and desktop hand-overs go to recorders.
#include "gui/article/article_window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "compiler/dictionary_writer.h"
#include "compiler/pack_writer.h"
#include "engine/dictionary.h"
#include "gui/article/article_host.h"
#include "gui/article/article_view.h"
#include "gui/article/desktop_services.h"
#include "images/image.h"
#include "model/settings.h"
#include "platform/media_types.h"
#include "platform/messages.h"
#include "platform/wave_out.h"
#include "resources/sound_icon.h"
#include "resources/string_table.h"
#include "sound/sound.h"
#include "testing/recording_message_sink.h"
#include "testing/test_files.h"
#include "testing/test_pictures.h"

namespace lexora {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The picture's one colour (blue, green, red, alpha) and side.
constexpr std::uint8_t kPictureBgra[4] = {40, 30, 200, 255};
constexpr std::uint32_t kPictureSide = 8;
constexpr std::uint32_t kWavFrames = 1600;

std::vector<std::uint8_t> solid_png() {
  std::vector<std::uint8_t> bgra;
  for (std::uint32_t i = 0; i < kPictureSide * kPictureSide; ++i) {
    bgra.insert(bgra.end(), std::begin(kPictureBgra), std::end(kPictureBgra));
  }
  return images::test::encode_png(kPictureSide, kPictureSide, bgra);
}

void put_u32(std::vector<std::uint8_t>* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put_u16(std::vector<std::uint8_t>* out, std::uint16_t v) {
  out->push_back(static_cast<std::uint8_t>(v));
  out->push_back(static_cast<std::uint8_t>(v >> 8));
}

// A mono 8 kHz 16-bit WAV file of a ramp; `pcm` receives its samples.
std::vector<std::uint8_t> ramp_wav(std::vector<std::uint8_t>* pcm) {
  for (std::uint32_t i = 0; i < kWavFrames; ++i) put_u16(pcm, static_cast<std::uint16_t>(i * 37));
  std::vector<std::uint8_t> wav = {'R', 'I', 'F', 'F'};
  put_u32(&wav, 36 + static_cast<std::uint32_t>(pcm->size()));
  for (char c : std::string("WAVEfmt ")) wav.push_back(static_cast<std::uint8_t>(c));
  put_u32(&wav, 16);
  put_u16(&wav, 1);
  put_u16(&wav, 1);
  put_u32(&wav, 8000);
  put_u32(&wav, 16000);
  put_u16(&wav, 2);
  put_u16(&wav, 16);
  for (char c : std::string("data")) wav.push_back(static_cast<std::uint8_t>(c));
  put_u32(&wav, static_cast<std::uint32_t>(pcm->size()));
  wav.insert(wav.end(), pcm->begin(), pcm->end());
  return wav;
}

std::u16string long_text(const std::u16string& word) {
  std::u16string text;
  for (int i = 0; i < 150; ++i) text += u"<br>" + word + u" line";
  return text;
}

void settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

class ArticleWindowTest : public ::testing::Test, public ArticleHost {
 protected:
  void SetUp() override {
    ASSERT_NE(QApplication::instance(), nullptr);
    // Packed files go below the temporary location: here, a folder of the test's.
    old_tmpdir_ = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray::fromStdString(temp_.path()));
    compiler::DictionarySource source;
    source.abbreviations = {{u"_n.", u"noun"}};
    source.entries = {
        {u"alpha",
         u"<a href=\"!@_n.\">n.</a> <a href=\"beta\">to beta</a> <a href=\"zzz\">nowhere</a> "
         u"<wav>snd\\tone.wav</wav> <a href=\"snd\\long.ogg\">long</a> "
         u"<a href=\"!%nothere.wav\">gone</a> <a href=\"img\\red.png\">picture</a> "
         u"<a href=\"HTTP://example.org/X\">web</a> <a href=\"mailto:me@example.org\">mail</a> "
         u"<a href=\"file://docs\\guide.txt\">guide</a> "
         u"<a href=\"file://..\\..\\evil.txt\">evil</a> <a href=\"#end\">to end</a> "
         u"<img src=\"img\\red.png\"> <img src=\"img\\broken.png\"> <img src=\"pics\\none.png\">" +
             long_text(u"alpha") + u"<a name=\"end\"></a>the end"},
        {u"beta", u"second page <a href=\"gamma\">to gamma</a>" + long_text(u"beta")},
        {u"gamma", u"third page <a href=\"delta\">to delta</a>"},
        {u"delta", u"fourth page"},
    };
    compiler::DictionaryOptions options;
    options.words_code_page = 65001;
    options.articles_code_page = 65001;
    std::string error;
    dict_path_ = dir_.file("media.zd");
    ASSERT_TRUE(compiler::write_dictionary_file(dict_path_, source, options, &error)) << error;
    const std::vector<compiler::PackSourceEntry> pack = {
        {u"img\\red.png", solid_png(), false},
        {u"img\\broken.png", std::vector<std::uint8_t>(64, 0x42), false},
        {u"snd\\tone.wav", ramp_wav(&wav_pcm_), true},
        {u"snd\\long.ogg", test::read_file(LEXORA_SOUND_FIXTURE_DIR "/long_stereo_44100.ogg"),
         false},
        {u"docs\\guide.txt", guide_, true},
        {u"..\\..\\evil.txt", {'e', 'v', 'i', 'l'}, true},
    };
    ASSERT_TRUE(compiler::write_pack_file(dir_.file("media.zpak"), pack, {}, &error)) << error;
    ASSERT_TRUE(dictionary_.open_dictionary(dict_path_));
    settings_.g_mr_dict_path = dir_.file("cards.pdb");
    sound_ = std::make_unique<SoundPlayer>(AudioBackend::record(recorder_));
  }

  void TearDown() override {
    window_.reset();
    sound_.reset();
    if (old_tmpdir_.isEmpty()) {
      qunsetenv("TMPDIR");
    } else {
      qputenv("TMPDIR", old_tmpdir_);
    }
  }

  // ArticleHost.
  Dictionary& dictionary() override { return dictionary_; }
  std::uint32_t current_word_index() const override { return current_; }
  void set_current_word_index(std::uint32_t index) override { current_ = index; }
  void show_word_list_at(std::uint32_t index) override { list_at_ = static_cast<int>(index); }
  void hand_back(const QString& text) override { handed_back_ = text; }
  PageStyle page_style() const override { return {}; }
  QFont main_font() const override { return QApplication::font(); }
  bool colours_in_effect() const override { return false; }
  std::uint32_t background_colour() const override { return 0; }
  Settings& settings() override { return settings_; }
  ArticleSession& article_session() override { return session_; }
  SoundPlayer& sound_player() override { return *sound_; }

  std::uint32_t index_of(std::u16string_view word) {
    bool exact = false;
    const std::uint32_t index = dictionary_.find_word(word, &exact, false);
    EXPECT_TRUE(exact);
    return index;
  }

  ArticleWindow& open(std::u16string_view word) {
    current_ = index_of(word);
    window_.reset();
    window_ = std::make_unique<ArticleWindow>(*this, nullptr);
    window_->resize(480, 400);
    window_->show();
    window_->activateWindow();  // the window's shortcuts work in the active window
    settle();
    return *window_;
  }

  ArticleView* view() { return window_->view(); }
  QString page() { return view()->page_plain_text(); }

  // Clicks the first link whose raw target is `href`, scrolling it into view.
  void click(const QString& href) {
    QTextDocument* doc = view()->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
      for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.charFormat().isAnchor() || fragment.charFormat().anchorHref() != href) {
          continue;
        }
        QTextCursor cursor(doc);
        cursor.setPosition(fragment.position());
        view()->setTextCursor(cursor);
        view()->ensureCursorVisible();
        const QPoint point = view()->cursorRect(cursor).center() + QPoint(3, 0);
        ASSERT_EQ(view()->link_at(point), href);
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier, point);
        settle();
        return;
      }
    }
    FAIL() << "no link " << href.toStdString();
  }

  void select_text(const QString& text) {
    QTextCursor found = view()->document()->find(text);
    ASSERT_FALSE(found.isNull()) << text.toStdString();
    view()->setTextCursor(found);
  }

  void trigger(int command) {
    QAction* action = window_->action(command);
    ASSERT_NE(action, nullptr);
    ASSERT_TRUE(action->isEnabled()) << command;
    action->trigger();
    settle();
  }

  bool enabled(int command) { return window_->action(command)->isEnabled(); }

  test::TempDir dir_;
  test::TempDir temp_;
  QByteArray old_tmpdir_;
  std::string dict_path_;
  const std::vector<std::uint8_t> guide_ = {'G', 'u', 'i', 'd', 'e', 0, 1, 2, 0xFF};
  std::vector<std::uint8_t> wav_pcm_;
  Dictionary dictionary_;
  Settings settings_;
  ArticleSession session_;
  std::shared_ptr<AudioRecorder> recorder_ = std::make_shared<AudioRecorder>(true);
  std::unique_ptr<SoundPlayer> sound_;
  std::uint32_t current_ = 0;
  int list_at_ = -1;
  QString handed_back_;
  RecordingMessageSink messages_;
  RecordingDesktopOpener desktop_;
  std::unique_ptr<ArticleWindow> window_;
};

TEST_F(ArticleWindowTest, MenuHoldsItsCommandsInOrder) {
  ArticleWindow& window = open(u"alpha");
  QStringList labels;
  for (QAction* action : window.menu()->actions()) labels << action->text();
  EXPECT_EQ(labels, QStringList({"Font size", "Back", "Forward", "Copy", "Add for leaning in MR"}));
  QStringList sizes;
  for (QAction* action : window.menu()->actions()[0]->menu()->actions()) sizes << action->text();
  EXPECT_EQ(sizes, QStringList({"Smallest", "Small", "Medium", "Large", "Larger", "Largest"}));
  EXPECT_TRUE(window.action(article_cmd::kMedium)->isChecked());
  // The first page: one history entry, both ways greyed.
  EXPECT_FALSE(enabled(article_cmd::kBack));
  EXPECT_FALSE(enabled(article_cmd::kForward));
}

TEST_F(ArticleWindowTest, AbbreviationLinkShowsTheExpansionUnderItsKey) {
  open(u"alpha");
  click("!@_n.");
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].text, "noun");
  EXPECT_EQ(messages_.messages()[0].caption, "n.");
  EXPECT_EQ(messages_.messages()[0].icon, MessageIcon::kNone);
}

TEST_F(ArticleWindowTest, WordLinkShowsTheWordAndRecordsIt) {
  open(u"alpha");
  click("beta");
  EXPECT_TRUE(page().contains("second page"));
  EXPECT_EQ(current_, index_of(u"beta"));
  EXPECT_TRUE(enabled(article_cmd::kBack));
  EXPECT_FALSE(enabled(article_cmd::kForward));
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(ArticleWindowTest, MissingWordLinkAnsweredNoKeepsThePage) {
  open(u"alpha");
  messages_.answer_next(MessageResult::kNo);
  click("zzz");
  ASSERT_EQ(messages_.texts(),
            std::vector<std::string>({"The linked-to word not found, go to a word list?"}));
  EXPECT_EQ(messages_.messages()[0].caption, "Error");
  EXPECT_EQ(messages_.messages()[0].buttons, MessageButtons::kYesNo);
  EXPECT_EQ(messages_.messages()[0].icon, MessageIcon::kQuestion);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(page().contains("alpha line"));
  EXPECT_EQ(current_, index_of(u"alpha"));
}

TEST_F(ArticleWindowTest, MissingWordLinkAnsweredYesClosesToTheWordList) {
  open(u"alpha");
  messages_.answer_next(MessageResult::kYes);
  click("zzz");
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(window_->result(), article_cmd::kClose);
  bool exact = true;
  const std::uint32_t nearest = dictionary_.find_word(u"zzz", &exact, true);
  EXPECT_EQ(current_, nearest);
  EXPECT_EQ(list_at_, static_cast<int>(nearest));
  EXPECT_EQ(handed_back_, "zzz");
}

TEST_F(ArticleWindowTest, SoundIconIsBitmap146) {
  open(u"alpha");
  const QImage icon =
      view()->document()->resource(QTextDocument::ImageResource, QUrl("@sound")).value<QImage>();
  const std::span<const std::uint8_t> bmp = sound_icon_bmp();
  const images::Image expected(bmp.data(), bmp.size(), kImageTypeBmp);
  ASSERT_EQ(icon.width(), kSoundIconSide);
  ASSERT_EQ(icon.height(), kSoundIconSide);
  for (int y = 0; y < kSoundIconSide; ++y) {
    for (int x = 0; x < kSoundIconSide; ++x) {
      const std::uint8_t* p =
          expected.pixels().pixel(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
      ASSERT_EQ(icon.pixel(x, y), qRgba(p[2], p[1], p[0], p[3])) << x << "," << y;
    }
  }
}

TEST_F(ArticleWindowTest, PicturesAreDecodedOncePerPageAndReachTheView) {
  open(u"alpha");
  const QImage shot = view()->viewport()->grab().toImage();
  const QRgb colour = qRgb(kPictureBgra[2], kPictureBgra[1], kPictureBgra[0]);
  int matching = 0;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x)
      matching += (shot.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
  }
  EXPECT_GE(matching, static_cast<int>(kPictureSide * kPictureSide));
  // The picture, the sound icon, the undecodable and the missing one: each once.
  const int asked = view()->picture_requests();
  EXPECT_EQ(asked, 4);
  view()->viewport()->grab();
  EXPECT_EQ(view()->picture_requests(), asked);
  // An undecodable entry gives an empty picture, a missing one the placeholder.
  const QVariant broken =
      view()->document()->resource(QTextDocument::ImageResource, QUrl("img\\broken.png"));
  EXPECT_LE(broken.value<QImage>().width(), 1);
  EXPECT_FALSE(
      view()->document()->resource(QTextDocument::ImageResource, QUrl("pics\\none.png")).isValid());
}

TEST_F(ArticleWindowTest, PictureLinkShowsAPageThatBackRemoves) {
  open(u"alpha");
  view()->set_scroll_position(40);
  click("img\\red.png");
  EXPECT_FALSE(page().contains("alpha line"));
  EXPECT_TRUE(enabled(article_cmd::kBack));
  EXPECT_EQ(session_.history.entries().back().word, kNoHistoryWord);
  trigger(article_cmd::kBack);
  EXPECT_TRUE(page().contains("alpha line"));
  EXPECT_EQ(view()->scroll_position(), session_.history.entries()[0].position);
  EXPECT_FALSE(enabled(article_cmd::kForward));
  EXPECT_EQ(session_.history.entries().size(), 1u);
}

TEST_F(ArticleWindowTest, AnchorScrollsWithoutRecording) {
  open(u"alpha");
  ASSERT_EQ(view()->scroll_position(), 0);
  click("#end");
  EXPECT_GT(view()->scroll_position(), 0);
  EXPECT_EQ(session_.history.entries().size(), 1u);
}

TEST_F(ArticleWindowTest, AddressesGoToTheDesktopAsWritten) {
  open(u"alpha");
  click("HTTP://example.org/X");
  click("mailto:me@example.org");
  EXPECT_EQ(desktop_.addresses, QStringList({"HTTP://example.org/X", "mailto:me@example.org"}));
  EXPECT_TRUE(page().contains("alpha line"));
}

TEST_F(ArticleWindowTest, WavLinkPlaysItsPcmThroughTheCaptureDevice) {
  const std::string capture = dir_.file("capture.wav");
  qputenv("LEXORA_AUDIO", QByteArray::fromStdString("capture:" + capture));
  sound_ = std::make_unique<SoundPlayer>();
  qputenv("LEXORA_AUDIO", "null");
  open(u"alpha");
  click("!%snd\\tone.wav");  // the sound icon's link
  sound_->wait_until_idle();
  EXPECT_TRUE(messages_.messages().empty());
  const std::vector<std::uint8_t> file = test::read_file(capture);
  ASSERT_GT(file.size(), 44u);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 44, file.end()), wav_pcm_);
}

TEST_F(ArticleWindowTest, SecondClickOnASoundLinkStopsIt) {
  open(u"alpha");
  click("snd\\long.ogg");
  for (int i = 0; i < 200 && !sound_->playing(); ++i) std::this_thread::sleep_for(5ms);
  ASSERT_TRUE(sound_->playing());
  click("snd\\long.ogg");
  EXPECT_FALSE(sound_->playing());
  sound_->wait_until_idle();
  EXPECT_GE(recorder_->reset_count(), 1u);
  EXPECT_LT(recorder_->pcm().size(), 88200u * 4 / 2);  // well short of the two seconds
}

TEST_F(ArticleWindowTest, ClosingTheWindowStopsTheSound) {
  open(u"alpha");
  click("snd\\long.ogg");
  for (int i = 0; i < 200 && !sound_->playing(); ++i) std::this_thread::sleep_for(5ms);
  ASSERT_TRUE(sound_->playing());
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_TRUE(sound_->idle());
  EXPECT_EQ(recorder_->close_count(), 1u);
}

TEST_F(ArticleWindowTest, MissingSoundSaysFileNotFound) {
  open(u"alpha");
  click("!%nothere.wav");
  ASSERT_EQ(messages_.texts(), std::vector<std::string>({"File not found"}));
  EXPECT_EQ(messages_.messages()[0].caption, "Error");
  EXPECT_EQ(messages_.messages()[0].icon, MessageIcon::kWarning);
}

TEST_F(ArticleWindowTest, PackedFileYesWritesTheBytesPrivatelyAndOpensThem) {
  open(u"alpha");
  messages_.answer_next(MessageResult::kYes);
  click("file://docs\\guide.txt");
  const std::string folder = temp_.path() + "/lexora-" + std::to_string(::geteuid());
  ASSERT_EQ(messages_.texts(), std::vector<std::string>({"Save \"guide.txt\" in folder \"" +
                                                         folder + "\" and run it?"}));
  EXPECT_EQ(messages_.messages()[0].caption, "Confirm");
  EXPECT_EQ(test::read_file(folder + "/guide.txt"), guide_);
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(desktop_.files, QStringList({QString::fromStdString(folder + "/guide.txt")}));
  // A second opening writes the file again over the first.
  fs::resize_file(folder + "/guide.txt", 1);
  messages_.answer_next(MessageResult::kYes);
  click("file://docs\\guide.txt");
  EXPECT_EQ(test::read_file(folder + "/guide.txt"), guide_);
}

TEST_F(ArticleWindowTest, PackedFileNoWritesNothing) {
  open(u"alpha");
  messages_.answer_next(MessageResult::kNo);
  click("file://docs\\guide.txt");
  EXPECT_EQ(messages_.messages().size(), 1u);
  const std::string folder = temp_.path() + "/lexora-" + std::to_string(::geteuid());
  EXPECT_FALSE(fs::exists(folder + "/guide.txt"));
  EXPECT_TRUE(desktop_.files.isEmpty());
}

TEST_F(ArticleWindowTest, HostilePackedNameStaysInsideTheFolder) {
  open(u"alpha");
  messages_.answer_next(MessageResult::kYes);
  click("file://..\\..\\evil.txt");
  const std::string folder = temp_.path() + "/lexora-" + std::to_string(::geteuid());
  EXPECT_EQ(test::read_file(folder + "/evil.txt"), std::vector<std::uint8_t>({'e', 'v', 'i', 'l'}));
  EXPECT_FALSE(fs::exists(temp_.path() + "/evil.txt"));
  EXPECT_FALSE(fs::exists(fs::path(temp_.path()).parent_path() / "evil.txt"));
}

TEST_F(ArticleWindowTest, FindShowsTheSelectedWord) {
  open(u"alpha");
  select_text("beta");
  QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);
  settle();
  EXPECT_TRUE(page().contains("second page"));
  EXPECT_EQ(current_, index_of(u"beta"));
  EXPECT_TRUE(enabled(article_cmd::kBack));
}

TEST_F(ArticleWindowTest, FindWithoutSelectionAsksForOne) {
  open(u"alpha");
  window_->on_command(article_cmd::kFind);
  ASSERT_EQ(messages_.texts(), std::vector<std::string>({"Select the word what you want to find"}));
  EXPECT_EQ(messages_.messages()[0].caption, "Search results");
  EXPECT_EQ(messages_.messages()[0].icon, MessageIcon::kInformation);
}

TEST_F(ArticleWindowTest, FindOfAnUnknownWordAsksNoThenYes) {
  open(u"alpha");
  select_text("nowhere");
  messages_.answer_next(MessageResult::kNo);
  window_->on_command(article_cmd::kFind);
  ASSERT_EQ(messages_.texts(),
            std::vector<std::string>({"The word not found, go to a word list?"}));
  EXPECT_EQ(messages_.messages()[0].caption, "Search results");
  EXPECT_TRUE(window_->isVisible());
  messages_.answer_next(MessageResult::kYes);
  window_->on_command(article_cmd::kFind);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(handed_back_, "nowhere");
}

TEST_F(ArticleWindowTest, ZoomIsStoredAndAppliedAtTheNextOpening) {
  ArticleWindow& first = open(u"alpha");
  const double medium = view()->font().pointSizeF();
  trigger(article_cmd::kLargest);
  EXPECT_EQ(settings_.text_size, 5);
  EXPECT_TRUE(first.action(article_cmd::kLargest)->isChecked());
  const double largest = view()->font().pointSizeF();
  EXPECT_GT(largest, medium);
  QTest::keyClick(window_.get(), Qt::Key_Escape);

  open(u"beta");
  EXPECT_TRUE(window_->action(article_cmd::kLargest)->isChecked());
  EXPECT_DOUBLE_EQ(view()->font().pointSizeF(), largest);
  QTest::keyClick(view(), Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(settings_.text_size, 4);
  QTest::keyClick(view(), Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(settings_.text_size, 2);
  EXPECT_DOUBLE_EQ(view()->font().pointSizeF(), medium);
  // Every level is a readable size.
  EXPECT_GE(zoom_point_size(0, 10.0), 7.5);
}

TEST_F(ArticleWindowTest, BackTwiceRestoresScrollAndANewPageDropsForward) {
  open(u"alpha");
  view()->set_scroll_position(60);
  window_->dispatch_link("beta");
  view()->set_scroll_position(25);
  window_->dispatch_link("gamma");
  trigger(article_cmd::kBack);
  EXPECT_TRUE(page().contains("second page"));
  EXPECT_EQ(view()->scroll_position(), 25);
  trigger(article_cmd::kBack);
  EXPECT_TRUE(page().contains("alpha line"));
  EXPECT_EQ(view()->scroll_position(), 60);
  EXPECT_EQ(current_, index_of(u"alpha"));
  EXPECT_FALSE(enabled(article_cmd::kBack));
  EXPECT_TRUE(enabled(article_cmd::kForward));
  QTest::keyClick(view(), Qt::Key_Right, Qt::AltModifier);
  EXPECT_TRUE(page().contains("second page"));
  QTest::keyClick(view(), Qt::Key_Left, Qt::AltModifier);
  EXPECT_TRUE(page().contains("alpha line"));
  window_->dispatch_link("delta");
  EXPECT_FALSE(enabled(article_cmd::kForward));
  EXPECT_EQ(session_.history.entries().size(), 2u);
}

TEST_F(ArticleWindowTest, BackOntoAPicturePageKeepsThePageThenCutsIt) {
  open(u"alpha");
  window_->dispatch_link("img\\red.png");
  window_->dispatch_link("beta");
  trigger(article_cmd::kBack);  // onto the picture's placeholder: nothing shown
  EXPECT_TRUE(page().contains("second page"));
  window_->on_command(article_cmd::kBack);
  settle();
  EXPECT_TRUE(page().contains("alpha line"));
  EXPECT_EQ(session_.history.entries().size(), 1u);
  EXPECT_FALSE(enabled(article_cmd::kForward));
}

TEST_F(ArticleWindowTest, ArrowRedefineWalksHistoryAndWords) {
  settings_.arrow_redefine = 1;
  open(u"alpha");
  window_->dispatch_link("beta");
  QTest::keyClick(view(), Qt::Key_Left);
  EXPECT_TRUE(page().contains("alpha line"));
  QTest::keyClick(view(), Qt::Key_Right);
  EXPECT_TRUE(page().contains("second page"));
  // Down pages through the article, then on to the next word.
  const int page_step = view()->verticalScrollBar()->pageStep();
  QTest::keyClick(view(), Qt::Key_Down);
  EXPECT_EQ(view()->scroll_position(), page_step);
  for (int i = 0; i < 100 && page().contains("second page"); ++i)
    QTest::keyClick(view(), Qt::Key_Down);
  EXPECT_EQ(current_, index_of(u"beta") + 1);
  QTest::keyClick(view(), Qt::Key_Up);
  EXPECT_EQ(current_, index_of(u"beta"));
}

TEST_F(ArticleWindowTest, CopyPutsThePageWithRealLineEnds) {
  open(u"beta");
  QApplication::clipboard()->clear();
  trigger(article_cmd::kCopy);
  const QString text = QApplication::clipboard()->text();
  EXPECT_TRUE(text.startsWith("beta\n")) << text.left(40).toStdString();
  EXPECT_TRUE(text.contains("\nbeta line\nbeta line"));
  EXPECT_FALSE(text.contains(QChar::LineSeparator));
  EXPECT_FALSE(text.contains(QChar::ParagraphSeparator));
}

TEST_F(ArticleWindowTest, DigitEightNoLongerEndsTheProgramButCtrlQDoes) {
  QWidget main_window;
  main_window.show();
  current_ = index_of(u"alpha");
  window_ = std::make_unique<ArticleWindow>(*this, &main_window);
  window_->show();
  window_->activateWindow();
  settle();
  QTest::keyClick(view(), Qt::Key_8);
  settle();
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(main_window.isVisible());
  QTest::keyClick(view(), Qt::Key_Q, Qt::ControlModifier);
  settle();
  EXPECT_FALSE(window_->isVisible());
  EXPECT_FALSE(main_window.isVisible());
  window_.reset();  // before its owner goes
}

TEST_F(ArticleWindowTest, AddForLearningWithoutSelectionSaysSo) {
  open(u"alpha");
  trigger(article_cmd::kAddForLearning);
  ASSERT_EQ(messages_.texts(),
            std::vector<std::string>({"Select the text you want to add as the main translation"}));
  EXPECT_EQ(messages_.messages()[0].caption, "Word leaning");
  EXPECT_TRUE(session_.pending.empty());
}

TEST_F(ArticleWindowTest, AddForLearningThenCloseLeavesTheRecord) {
  open(u"beta");
  select_text("second page");
  trigger(article_cmd::kAddForLearning);
  EXPECT_EQ(session_.pending.size(), 1u);
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  EXPECT_TRUE(session_.pending.empty());
  EXPECT_TRUE(messages_.messages().empty());
  QProcess cli;
  cli.start(LEXORA_CLI, {"flashcard", "--list", QString::fromStdString(settings_.g_mr_dict_path)});
  ASSERT_TRUE(cli.waitForFinished(10000));
  const QString out = QString::fromUtf8(cli.readAllStandardOutput());
  EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  EXPECT_TRUE(out.contains("\"beta\"")) << out.toStdString();
  EXPECT_TRUE(out.contains("second page")) << out.toStdString();
}

TEST_F(ArticleWindowTest, AnEmptyDatabaseFileIsANewDatabase) {
  test::write_file(settings_.g_mr_dict_path, std::string());
  open(u"beta");
  select_text("second page");
  trigger(article_cmd::kAddForLearning);
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  EXPECT_TRUE(messages_.messages().empty()) << messages_.texts().front();
  EXPECT_GT(fs::file_size(settings_.g_mr_dict_path), 92u);
}

TEST_F(ArticleWindowTest, AnUnwritableDatabaseKeepsTheTranslationsAndSaysSoOnce) {
  settings_.g_mr_dict_path = dir_.file("no-such-folder/cards.pdb");
  open(u"beta");
  select_text("second page");
  trigger(article_cmd::kAddForLearning);
  QTest::keyClick(window_.get(), Qt::Key_F7);  // a new page writes the translations first
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].caption, "Error");
  EXPECT_EQ(session_.pending.size(), 1u);
  QTest::keyClick(window_.get(), Qt::Key_F6);
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  EXPECT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(session_.pending.size(), 1u);
}

}  // namespace
}  // namespace lexora
