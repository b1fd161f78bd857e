#include "cardbank/card_database.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "cardbank/cardbank_test_util.h"

namespace lexora::cardbank {
namespace {

using testing::be16;
using testing::be32;
using testing::put_be16;
using testing::put_be32;
using testing::record_bytes;

std::vector<std::uint8_t> with_records(std::initializer_list<std::u16string_view> words) {
  std::vector<std::uint8_t> image = CardDatabase::empty_image("test");
  for (std::u16string_view word : words) {
    auto db = CardDatabase::parse(image);
    EXPECT_TRUE(db.has_value());
    EXPECT_EQ(db->add_record(word, u"", u"x", &image), AddOutcome::kAdded);
  }
  return image;
}

// A database of `count` empty records, laid out as the library lays it out.
std::vector<std::uint8_t> with_empty_records(std::size_t count) {
  std::vector<std::uint8_t> image = CardDatabase::empty_image("many");
  image.insert(image.begin() + 78, 8 * count, 0);
  put_be16(&image, 76, static_cast<std::uint16_t>(count));
  put_be32(&image, 52, static_cast<std::uint32_t>(80 + 8 * count));
  for (std::size_t i = 0; i < count; ++i) {
    put_be32(&image, 78 + 8 * i, static_cast<std::uint32_t>(image.size()));
  }
  return image;
}

TEST(CardDatabaseTest, EmptyImageHoldsHeaderGapAndAppInfo) {
  const auto image = CardDatabase::empty_image("dict_mr");
  ASSERT_EQ(image.size(), 92u);
  EXPECT_EQ(std::string(image.begin(), image.begin() + 8), std::string("dict_mr\0", 8));
  EXPECT_TRUE(
      std::all_of(image.begin() + 7, image.begin() + 32, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(be16(image, 32), 0x0008);
  EXPECT_EQ(be32(image, 52), 80u);
  EXPECT_EQ(std::string(image.begin() + 60, image.begin() + 68), "DATAMR01");
  EXPECT_EQ(be16(image, 76), 0);
  const std::vector<std::uint8_t> tail(image.begin() + 78, image.end());
  EXPECT_EQ(tail, (std::vector<std::uint8_t>{0x80, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 1, 3, 2}));
}

TEST(CardDatabaseTest, FirstRecordGoesAfterTheMovedAppInfo) {
  auto db = CardDatabase::parse(CardDatabase::empty_image("d"));
  ASSERT_TRUE(db);
  std::vector<std::uint8_t> image;
  ASSERT_EQ(db->add_record(u"cat", u"kæt", u"кошка", &image), AddOutcome::kAdded);

  const auto data = record_bytes(u"cat", u"kæt", u"кошка");
  EXPECT_EQ(data.size(), (3u + 3 + 5 + 4) * 2);
  ASSERT_EQ(image.size(), 100u + data.size());
  EXPECT_EQ(be16(image, 76), 1);
  EXPECT_EQ(be32(image, 52), 88u);
  EXPECT_EQ(be32(image, 78), 100u);
  EXPECT_EQ(be32(image, 82), 0u);  // attributes 0, unique id 0
  EXPECT_EQ(image[86], 0x80);
  EXPECT_EQ(image[99], 0x02);
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 100, image.end()), data);
}

TEST(CardDatabaseTest, DatabaseWithoutAppInfoStaysWithoutAndParsesAfterAnAdd) {
  // A bare header: no records, no gap, no app info block (offset 0).
  std::vector<std::uint8_t> bare = CardDatabase::empty_image("bare");
  bare.resize(78);
  put_be32(&bare, 52, 0);
  auto db = CardDatabase::parse(bare);
  ASSERT_TRUE(db);
  std::vector<std::uint8_t> image;
  ASSERT_EQ(db->add_record(u"cat", u"", u"кошка", &image), AddOutcome::kAdded);
  EXPECT_EQ(be32(image, 52), 0u);
  EXPECT_EQ(be32(image, 78), 86u);
  const auto added = CardDatabase::parse(image);
  ASSERT_TRUE(added);
  ASSERT_EQ(added->record_count(), 1u);
  EXPECT_EQ(added->record_texts(0).translation, u"кошка");
}

TEST(CardDatabaseTest, BytesNoOffsetDescribesAfterABareHeaderAreRefused) {
  std::vector<std::uint8_t> image = CardDatabase::empty_image("odd");
  put_be32(&image, 52, 0);  // the block after the header is no app info now
  EXPECT_FALSE(CardDatabase::parse(image));
  image.resize(80);  // the gap alone is fine
  EXPECT_TRUE(CardDatabase::parse(image));
}

TEST(CardDatabaseTest, EachAddMovesExistingDataByEight) {
  const auto two = with_records({u"a", u"bb"});
  const auto three = with_records({u"a", u"bb", u"ccc"});
  ASSERT_EQ(be16(three, 76), 3);
  EXPECT_EQ(be32(three, 52), 80u + 8 * 3);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(be32(three, 78 + 8 * i), be32(two, 78 + 8 * i) + 8);
    EXPECT_EQ(be32(three, 82 + 8 * i) & 0xFFFFFF, i);
  }
  EXPECT_EQ(be32(three, 78 + 16), two.size() + 8);
  EXPECT_EQ(be32(three, 82 + 16), 2u);
  // Everything after the old record list reappears 8 bytes on, unchanged.
  EXPECT_TRUE(std::equal(two.begin() + 94, two.end(), three.begin() + 102));

  auto db = CardDatabase::parse(three);
  ASSERT_TRUE(db);
  EXPECT_EQ(db->record_texts(1).word, u"bb");
  EXPECT_EQ(db->record_texts(2).translation, u"x");
}

TEST(CardDatabaseTest, UniqueIdReadsTheCountAsSigned) {
  EXPECT_EQ(CardDatabase::unique_id_for(0), 0u);
  EXPECT_EQ(CardDatabase::unique_id_for(32767), 0x007FFFu);
  EXPECT_EQ(CardDatabase::unique_id_for(32768), 0xFF8000u);
  EXPECT_EQ(CardDatabase::unique_id_for(65534), 0xFFFFFEu);
}

TEST(CardDatabaseTest, DuplicateCheckComparesWholeWordsWithCase) {
  auto db = CardDatabase::parse(with_records({u"cat", u"Dog", u""}));
  ASSERT_TRUE(db);
  EXPECT_TRUE(db->contains_word(u"cat"));
  EXPECT_TRUE(db->contains_word(u"Dog"));
  EXPECT_TRUE(db->contains_word(u""));
  EXPECT_FALSE(db->contains_word(u"Cat"));
  EXPECT_FALSE(db->contains_word(u"dog"));
  EXPECT_FALSE(db->contains_word(u"ca"));
  EXPECT_FALSE(db->contains_word(u"cats"));
}

TEST(CardDatabaseTest, RecordWithoutTerminatorEndsAtItsData) {
  // A last record holding just "ab" with no NUL at all, plus a stray byte.
  auto image = with_records({u"x"});
  const std::size_t start = be32(image, 78);
  image.resize(start);
  image.insert(image.end(), {'a', 0, 'b', 0, 'c'});
  auto db = CardDatabase::parse(image);
  ASSERT_TRUE(db);
  EXPECT_TRUE(db->contains_word(u"ab"));
  EXPECT_FALSE(db->contains_word(u"abc"));
  EXPECT_FALSE(db->contains_word(u"a"));
  const RecordTexts texts = db->record_texts(0);
  EXPECT_EQ(texts.word, u"ab");
  EXPECT_EQ(texts.transcription, u"");
  EXPECT_EQ(texts.translation, u"");
}

TEST(CardDatabaseTest, DamagedImagesAreRejected) {
  const auto good = with_records({u"one", u"two"});
  ASSERT_TRUE(CardDatabase::parse(good));

  EXPECT_FALSE(CardDatabase::parse(std::vector<std::uint8_t>(good.begin(), good.begin() + 77)));
  EXPECT_FALSE(CardDatabase::parse({}));

  auto count_too_large = good;
  put_be16(&count_too_large, 76, 0x4000);  // the list would run past the end
  EXPECT_FALSE(CardDatabase::parse(count_too_large));

  auto out_of_order = good;
  put_be32(&out_of_order, 86, be32(good, 78) - 2);
  EXPECT_FALSE(CardDatabase::parse(out_of_order));

  auto past_end = good;
  put_be32(&past_end, 86, static_cast<std::uint32_t>(good.size() + 1));
  EXPECT_FALSE(CardDatabase::parse(past_end));

  auto inside_list = good;
  put_be32(&inside_list, 78, 80);  // the list of two ends at 94
  EXPECT_FALSE(CardDatabase::parse(inside_list));

  auto huge = good;
  put_be32(&huge, 86, 0xFFFFFFF0u);
  EXPECT_FALSE(CardDatabase::parse(huge));
}

TEST(CardDatabaseTest, EmptyLastRecordAtTheEndIsAccepted) {
  auto image = with_records({u"one"});
  put_be32(&image, 78, static_cast<std::uint32_t>(image.size()));
  auto db = CardDatabase::parse(image);
  ASSERT_TRUE(db);
  EXPECT_TRUE(db->record_data(0).empty());
  EXPECT_TRUE(db->contains_word(u""));
}

TEST(CardDatabaseTest, FullDatabaseRefusesAnotherRecord) {
  auto db = CardDatabase::parse(with_empty_records(kMaxRecords));
  ASSERT_TRUE(db);
  EXPECT_EQ(db->record_count(), kMaxRecords);
  std::vector<std::uint8_t> out{1, 2, 3};
  EXPECT_EQ(db->add_record(u"w", u"", u"t", &out), AddOutcome::kFull);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(CardDatabaseTest, RecordAfter32768GetsUniqueIdStartingWithFF) {
  auto db = CardDatabase::parse(with_empty_records(32768));
  ASSERT_TRUE(db);
  std::vector<std::uint8_t> image;
  ASSERT_EQ(db->add_record(u"w", u"", u"t", &image), AddOutcome::kAdded);
  const std::size_t entry = 78 + 8 * 32768;
  EXPECT_EQ(image[entry + 4], 0);  // attributes
  EXPECT_EQ(image[entry + 5], 0xFF);
  EXPECT_EQ(image[entry + 6], 0x80);
  EXPECT_EQ(image[entry + 7], 0x00);
  EXPECT_EQ(be16(image, 76), 32769);
  EXPECT_EQ(be32(image, 52), 80u + 8 * 32769);
}

TEST(CardDatabaseTest, NameComesFromTheFileNameBeforePdb) {
  EXPECT_EQ(database_name_for_path(u"/home/u/Documents/dict_mr.pdb"), "dict_mr");
  EXPECT_EQ(database_name_for_path(u"/home/u/words.db"), "words.db");
  EXPECT_EQ(database_name_for_path(u"words"), "words");
  // Case counts, and the first ".pdb" anywhere in the path cuts it.
  EXPECT_EQ(database_name_for_path(u"/data/Cards.PDB"), "Cards.PDB");
  EXPECT_EQ(database_name_for_path(u"/a/old.pdb.d/new.pdb"), "old");
  EXPECT_EQ(database_name_for_path(u"/x/" + std::u16string(40, u'n') + u".pdb"),
            std::string(31, 'n'));
  // Units are narrowed to their low byte.
  EXPECT_EQ(database_name_for_path(u"/x/\u0441\u043B"), "\x41\x3B");
}

}  // namespace
}  // namespace lexora::cardbank
