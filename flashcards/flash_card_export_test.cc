#include "flashcards/flash_card_export.h"

#include <gtest/gtest.h>

#include "cardbank/card_database.h"
#include "compiler/dictionary_writer.h"
#include "engine/dictionary.h"
#include "platform/messages.h"
#include "platform/utf.h"
#include "testing/recording_message_sink.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

TEST(FlashCardTranscriptionTest, ScanFindsTheFirstTranscription) {
  EXPECT_EQ(transcription_of(u"house <t>haʊs</t> дом"), u"haʊs");
  EXPECT_EQ(transcription_of(u"<t>one</t>, <t>two</t>"), u"one");
  EXPECT_EQ(transcription_of(u"<b>x</b> <r>y</r> <t></t>"), u"");
  // A second "<t>" before the first "</t>" belongs to the transcription.
  EXPECT_EQ(transcription_of(u"<t>a<t>b</t>c</t>"), u"a<t>b");
}

TEST(FlashCardTranscriptionTest, ScanWithoutACompletePairIsEmpty) {
  EXPECT_EQ(transcription_of(u"no markup"), u"");
  EXPECT_EQ(transcription_of(u""), u"");
  EXPECT_EQ(transcription_of(u"<t>open to the end"), u"");
  EXPECT_EQ(transcription_of(u"<t>cut</t"), u"");  // the close tag is incomplete
  EXPECT_EQ(transcription_of(u"<t>ab<"), u"");
  EXPECT_EQ(transcription_of(u"<T>x</T>"), u"");
  EXPECT_EQ(transcription_of(u"x<t"), u"");  // fewer than 3 characters left
}

TEST(FlashCardJoinTest, TranslationsAreJoinedWithCommaAndSpace) {
  EXPECT_EQ(join_translations({}), u"");
  EXPECT_EQ(join_translations({u"first"}), u"first");
  EXPECT_EQ(join_translations({u"first", u"second", u"third"}), u"first, second, third");
}

TEST(FlashCardPathTest, DefaultDatabaseIsInTheDocumentsFolder) {
  EXPECT_EQ(flash_card_database_path(u"", u"/home/u/Documents"), u"/home/u/Documents/dict_mr.pdb");
  EXPECT_EQ(flash_card_database_path(u"", u"/home/u/Documents/"), u"/home/u/Documents/dict_mr.pdb");
  EXPECT_EQ(flash_card_database_path(u"/data/cards.pdb", u"/home/u/Documents"), u"/data/cards.pdb");
  EXPECT_EQ(cardbank::database_name_for_path(flash_card_database_path(u"", u"/home/u/Documents")),
            "dict_mr");
}

class FlashCardExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    compiler::DictionarySource source;
    source.entries = {{u"cat", u"<t>kæt</t> кошка"},
                      {u"dog", u"собака"},
                      {u"house", u"<t>haʊs</t> дом, <t>haʊz</t> поселять"}};
    std::string error;
    compiler::DictionaryOptions options;
    options.articles_code_page = 65001;  // the transcriptions need more than 1251
    ASSERT_TRUE(compiler::write_dictionary_file(dict_path_, source, options, &error)) << error;
    ASSERT_TRUE(dictionary_.open_dictionary(dict_path_));
  }

  std::uint32_t index_of(std::u16string_view word) {
    for (std::uint32_t i = 0; i < dictionary_.word_count(); ++i) {
      if (dictionary_.word_at(i) == word) return i;
    }
    ADD_FAILURE() << "no headword " << utf16_to_utf8(word);
    return 0;
  }

  void mark(std::u16string_view word, std::u16string_view selection) {
    ASSERT_TRUE(add_flash_card_translation(&pending_, dictionary_, index_of(word), selection));
  }

  std::vector<cardbank::RecordTexts> records() {
    std::vector<cardbank::RecordTexts> texts;
    auto db = cardbank::CardDatabase::parse(test::read_file(db_path_));
    EXPECT_TRUE(db.has_value());
    if (!db) return texts;
    for (std::size_t i = 0; i < db->record_count(); ++i) texts.push_back(db->record_texts(i));
    return texts;
  }

  test::TempDir dir_;
  std::string dict_path_ = dir_.file("test.zd");
  std::string db_path_ = dir_.file("cards.pdb");
  std::u16string db16_ = utf8_to_utf16(db_path_);
  Dictionary dictionary_;
  PendingTranslations pending_;
  RecordingMessageSink messages_;
};

TEST_F(FlashCardExportTest, EmptySelectionAsksForOneAndAddsNothing) {
  EXPECT_FALSE(add_flash_card_translation(&pending_, dictionary_, index_of(u"cat"), u""));
  EXPECT_TRUE(pending_.empty());
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].text,
            "Select the text you want to add as the main translation");
  EXPECT_EQ(messages_.messages()[0].caption, "Word leaning");
  EXPECT_EQ(messages_.messages()[0].icon, MessageIcon::kInformation);
}

TEST_F(FlashCardExportTest, TwoSelectionsMakeOneRecordInOrder) {
  mark(u"house", u"дом");
  mark(u"house", u"здание");
  ASSERT_EQ(export_flash_card(&pending_, db16_), FlashCardExportResult::kDone);
  EXPECT_TRUE(pending_.empty());
  EXPECT_TRUE(messages_.messages().empty());
  const auto texts = records();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].word, u"house");
  EXPECT_EQ(texts[0].transcription, u"haʊs");
  EXPECT_EQ(texts[0].translation, u"дом, здание");
}

TEST_F(FlashCardExportTest, ArticleWithoutTranscriptionGivesAnEmptyOne) {
  mark(u"dog", u"собака");
  ASSERT_EQ(export_flash_card(&pending_, db16_), FlashCardExportResult::kDone);
  const auto texts = records();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].transcription, u"");
  // The record holds the transcription's terminator alone.
  auto db = cardbank::CardDatabase::parse(test::read_file(db_path_));
  ASSERT_TRUE(db);
  EXPECT_EQ(db->record_data(0).size(), (3u + 0 + 6 + 4) * 2);
}

TEST_F(FlashCardExportTest, PresentWordIsReportedAndDropped) {
  mark(u"cat", u"кошка");
  ASSERT_EQ(export_flash_card(&pending_, db16_), FlashCardExportResult::kDone);
  const auto before = test::read_file(db_path_);
  mark(u"cat", u"кот");
  ASSERT_EQ(export_flash_card(&pending_, db16_), FlashCardExportResult::kDone);
  EXPECT_TRUE(pending_.empty());
  EXPECT_EQ(test::read_file(db_path_), before);
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].text, "This word is in Memorins dictionary alredy");
  EXPECT_EQ(messages_.messages()[0].caption, "Word leaning");
  EXPECT_EQ(messages_.messages()[0].icon, MessageIcon::kInformation);
}

TEST_F(FlashCardExportTest, MissingLibraryIsReportedAndTranslationsKept) {
  mark(u"cat", u"кошка");
  FlashCardExportOptions options;
  options.library = "libcardbank_not_installed.so";
  EXPECT_EQ(export_flash_card(&pending_, db16_, options), FlashCardExportResult::kNoLibrary);
  EXPECT_EQ(pending_.size(), 1u);
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].text, "Can't find libcardbank_not_installed.so");
  EXPECT_EQ(messages_.messages()[0].caption, "Error");
  EXPECT_EQ(messages_.messages()[0].icon, MessageIcon::kError);
  EXPECT_FALSE(std::filesystem::exists(db_path_));
}

TEST_F(FlashCardExportTest, MissingExportIsSilentAndTranslationsKept) {
  mark(u"cat", u"кошка");
  FlashCardExportOptions options;
  options.library = "libcardbank_without_export.so";  // built beside the tests
  EXPECT_EQ(export_flash_card(&pending_, db16_, options), FlashCardExportResult::kNoExport);
  EXPECT_EQ(pending_.size(), 1u);
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_FALSE(std::filesystem::exists(db_path_));
}

TEST_F(FlashCardExportTest, NothingPendingAsksForTranslations) {
  EXPECT_EQ(export_flash_card(&pending_, db16_), FlashCardExportResult::kDone);
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].text, "There are no translations, please add them");
  EXPECT_EQ(messages_.messages()[0].caption, "Word leaning");
  EXPECT_FALSE(std::filesystem::exists(db_path_));
}

TEST_F(FlashCardExportTest, UnwritableDatabaseKeepsTranslationsAndSaysSo) {
  mark(u"cat", u"кошка");
  const std::u16string unreachable = utf8_to_utf16(dir_.file("missing-folder/cards.pdb"));
  EXPECT_EQ(export_flash_card(&pending_, unreachable), FlashCardExportResult::kDatabaseFailure);
  ASSERT_EQ(pending_.size(), 1u);
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].caption, "Error");
  EXPECT_EQ(messages_.messages()[0].icon, MessageIcon::kError);
  EXPECT_NE(messages_.messages()[0].text.find(dir_.file("missing-folder/cards.pdb")),
            std::string::npos);

  // The kept translation still belongs to "cat" when the next export, run
  // while another article is shown, succeeds.
  mark(u"dog", u"собака");
  ASSERT_EQ(export_flash_card(&pending_, db16_), FlashCardExportResult::kDone);
  EXPECT_TRUE(pending_.empty());
  const auto texts = records();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].word, u"cat");
  EXPECT_EQ(texts[0].transcription, u"kæt");
  EXPECT_EQ(texts[0].translation, u"кошка");
  EXPECT_EQ(texts[1].word, u"dog");
}

TEST_F(FlashCardExportTest, FailuresCanBeKeptQuiet) {
  // The article window reports a failure once, not at every page.
  mark(u"cat", u"кошка");
  FlashCardExportOptions options;
  options.report_failures = false;
  const std::u16string unreachable = utf8_to_utf16(dir_.file("missing-folder/cards.pdb"));
  EXPECT_EQ(export_flash_card(&pending_, unreachable, options),
            FlashCardExportResult::kDatabaseFailure);
  options.library = "libcardbank_not_installed.so";
  EXPECT_EQ(export_flash_card(&pending_, db16_, options), FlashCardExportResult::kNoLibrary);
  EXPECT_EQ(pending_.size(), 1u);
  EXPECT_TRUE(messages_.messages().empty());
}

}  // namespace
}  // namespace lexora
