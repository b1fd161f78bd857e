#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "compiler/dictionary_writer.h"
#include "compiler/pack_writer.h"
#include "engine/dictionary.h"
#include "engine/inflate.h"
#include "engine/resource_pack.h"
#include "testing/dictionary_test_peer.h"
#include "testing/status_recorder.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

using compiler::DictionaryOptions;
using compiler::DictionarySource;

constexpr char kIntegrity[] = "Integrity error";

std::u16string ascii(const std::string& s) {
  return std::u16string(s.begin(), s.end());
}

// Headwords w00000, w00001, ... sort in index order; article i names i and
// carries Cyrillic text, so the code-page conversion is exercised.
DictionarySource numbered_source(int count) {
  DictionarySource source;
  for (int i = 0; i < count; ++i) {
    char word[16];
    std::snprintf(word, sizeof word, "w%05d", i);
    source.entries.emplace_back(ascii(word),
                                u"\u0441\u0442\u0430\u0442\u044c\u044f " + ascii(word));
  }
  return source;
}

std::u16string article_text(int i) {
  char word[16];
  std::snprintf(word, sizeof word, "w%05d", i);
  return u"\u0441\u0442\u0430\u0442\u044c\u044f " + ascii(word);
}

std::uint32_t get_u32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | bytes[at + i];
  return v;
}

// Adler-32 the long way, with both sums starting at 0.
std::uint32_t adler_from_zero(const std::vector<std::uint8_t>& bytes, std::size_t n) {
  std::uint32_t a = 0, b = 0;
  for (std::size_t i = 0; i < n; ++i) {
    a = (a + bytes[i]) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void append_u32(std::vector<std::uint8_t>* bytes, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

class ArticlesTest : public ::testing::Test {
 protected:
  std::string write(const DictionarySource& source, const DictionaryOptions& options,
                    const std::string& name = "en-ru.zd") {
    std::string path = dir_.file(name);
    std::string error;
    EXPECT_TRUE(compiler::write_dictionary_file(path, source, options, &error)) << error;
    return path;
  }

  // File offset of article block `b` of the dictionary at `path` (v4/v5).
  std::uint32_t block_offset(const std::string& path, std::uint32_t b) {
    std::vector<std::uint8_t> bytes = test::read_file(path);
    Dictionary probe;
    EXPECT_TRUE(probe.open_dictionary(path));
    const DictionaryHeader& h = probe.header();
    std::size_t table =
        kHeaderSizeV4 + h.words_packed_size + (h.abbrev_count != 0 ? h.abbrevs_packed_size : 0);
    return get_u32(bytes, table + 4 * b);
  }

  test::TempDir dir_;
  Dictionary dict_;
  test::StatusRecorder messages_{dict_};
};

TEST_F(ArticlesTest, ArticlesOfEveryVersionComeBackConverted) {
  DictionarySource source = numbered_source(250);
  for (std::int16_t version : {2, 3, 4, 5}) {
    DictionaryOptions options;
    options.version = version;
    options.articles_per_block = 30;  // version 2 always has 100
    std::string path = write(source, options, "v" + std::to_string(version) + ".zd");
    ASSERT_TRUE(dict_.open_dictionary(path)) << version;
    for (int i : {0, 29, 30, 99, 100, 150, 249}) {
      auto text = dict_.article_at(static_cast<std::uint32_t>(i));
      ASSERT_TRUE(text) << version << " " << i;
      EXPECT_EQ(*text, article_text(i)) << version << " " << i;
    }
    EXPECT_FALSE(dict_.article_at(250)) << version;
    EXPECT_FALSE(dict_.article_at(251)) << version;
    EXPECT_FALSE(dict_.article_at(0xFFFFFFFFu)) << version;
  }
  EXPECT_TRUE(messages_.texts().empty());
}

TEST_F(ArticlesTest, NeighbouringArticlesShareOneInflatedBlock) {
  DictionaryOptions options;
  options.articles_per_block = 100;
  ASSERT_TRUE(dict_.open_dictionary(write(numbered_source(250), options)));
  const std::uint64_t start = dict_.block_loads();
  for (std::uint32_t i = 0; i < 100; ++i) ASSERT_TRUE(dict_.article_at(i));
  EXPECT_EQ(dict_.block_loads() - start, 1u);
  ASSERT_TRUE(dict_.article_at(100));
  EXPECT_EQ(dict_.block_loads() - start, 2u);
  ASSERT_TRUE(dict_.article_at(99));
  EXPECT_EQ(dict_.block_loads() - start, 3u);
  // Article 250 of the last block: lies in block 2 at position 50.
  ASSERT_TRUE(dict_.article_at(249));
  EXPECT_EQ(*dict_.article_at(249), article_text(249));
  EXPECT_EQ(dict_.block_loads() - start, 4u);
}

TEST_F(ArticlesTest, EmptyArticleIsEmptyTextNotNothing) {
  DictionarySource source;
  source.entries = {{u"a", u"first"}, {u"b", u""}, {u"c", u"third"}};
  ASSERT_TRUE(dict_.open_dictionary(write(source, {})));
  auto empty = dict_.article_at(1);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
  EXPECT_EQ(*dict_.article_at(2), u"third");
  EXPECT_FALSE(dict_.article_at(3));
}

TEST_F(ArticlesTest, CorruptBlockIsAnIntegrityErrorAndEmptiesTheCache) {
  DictionaryOptions options;
  options.articles_per_block = 100;
  std::string path = write(numbered_source(250), options);
  std::uint32_t block1 = block_offset(path, 1);
  std::uint32_t packed = get_u32(test::read_file(path), block1 + 4);
  test::corrupt_byte(path, block1 + kBlockHeaderSize + packed / 2);

  ASSERT_TRUE(dict_.open_dictionary(path));
  ASSERT_TRUE(dict_.article_at(5));
  const std::uint64_t loads = dict_.block_loads();
  EXPECT_FALSE(dict_.article_at(150));
  EXPECT_EQ(messages_.texts(), std::vector<std::string>{kIntegrity});
  EXPECT_EQ(dict_.last_error(), Status::integrity_error());
  // Block 0 was cached before the failure; it is inflated afresh.
  auto text = dict_.article_at(5);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, article_text(5));
  EXPECT_TRUE(dict_.last_error().ok());
  EXPECT_EQ(dict_.block_loads(), loads + 1);
  EXPECT_TRUE(dict_.article_at(249));  // block 2 is fine
}

TEST_F(ArticlesTest, BlockHeadersAndOffsetsAreCheckedAgainstTheFile) {
  DictionaryOptions options;
  options.articles_per_block = 100;
  const std::string good = write(numbered_source(250), options, "good.zd");
  const std::uint32_t block1 = block_offset(good, 1);
  const std::vector<std::uint8_t> bytes = test::read_file(good);
  const std::uint32_t unpacked = get_u32(bytes, block1);
  const std::uint32_t file_size = static_cast<std::uint32_t>(bytes.size());

  Dictionary probe;
  ASSERT_TRUE(probe.open_dictionary(good));
  const std::size_t table = kHeaderSizeV4 + probe.header().words_packed_size;
  probe.close_dictionary();

  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"block offset past the end", table + 4, file_size + 100},
      {"block header cut by the end", table + 4, file_size - 3},
      {"packed size past the end", block1 + 4, file_size},
      {"unpacked size beyond what inflation can give", block1, 0xFFFFFFF0u},
      {"unpacked size smaller than the data", block1, unpacked - 1},
  };
  for (const Case& c : cases) {
    std::string path = dir_.file("bad.zd");
    test::write_file(path, bytes);
    test::patch_u32(path, c.at, c.value);
    ASSERT_TRUE(dict_.open_dictionary(path)) << c.what;
    messages_.clear();
    EXPECT_FALSE(dict_.article_at(150)) << c.what;
    EXPECT_EQ(messages_.texts(), std::vector<std::string>{kIntegrity}) << c.what;
    EXPECT_TRUE(dict_.article_at(5)) << c.what;
  }
}

TEST_F(ArticlesTest, BlockShorterThanItsHeaderSaysYieldsOnlyItsArticles) {
  DictionaryOptions options;
  options.articles_per_block = 100;
  std::string path = write(numbered_source(250), options);
  std::uint32_t block2 = block_offset(path, 2);
  std::uint32_t unpacked = get_u32(test::read_file(path), block2);
  test::patch_u32(path, block2, unpacked + 1000);
  ASSERT_TRUE(dict_.open_dictionary(path));
  ASSERT_TRUE(dict_.article_at(249));
  EXPECT_EQ(*dict_.article_at(249), article_text(249));
  // Position 50 is the last string of the block; nothing follows it.
  EXPECT_FALSE(dict_.article_at(250));
  EXPECT_TRUE(messages_.texts().empty());
}

// A header whose articles_per_block disagrees with the blocks would hand out
// other words' articles: every block but the last must hold exactly that many.
TEST_F(ArticlesTest, BlockWithMoreOrFewerArticlesThanTheHeaderSaysIsAnIntegrityError) {
  DictionaryOptions options;
  options.articles_per_block = 10;
  const std::string good = write(numbered_source(30), options, "good.zd");
  constexpr std::size_t kPerBlockAt = 14;
  for (std::uint32_t per_block : {9u, 11u}) {
    SCOPED_TRACE(per_block);
    const std::string path = dir_.file("bad.zd");
    test::write_file(path, test::read_file(good));
    test::patch_u32(path, kPerBlockAt, per_block);
    ASSERT_TRUE(dict_.open_dictionary(path));
    messages_.clear();
    EXPECT_FALSE(dict_.article_at(5));
    EXPECT_EQ(messages_.texts(), std::vector<std::string>{kIntegrity});
  }
  ASSERT_TRUE(dict_.open_dictionary(good));
  EXPECT_EQ(dict_.article_at(29), article_text(29));
}

// A block may not claim more than 64 MiB unpacked, even when it really holds
// that much (a real stream of 64 MiB + 1 zero bytes here): it is refused
// before anything is allocated for it.
TEST_F(ArticlesTest, BlockPastTheSizeLimitIsAnIntegrityError) {
  const std::string good = write(numbered_source(5), {}, "good.zd");
  std::vector<std::uint8_t> zeros(kMaxBlockSize + 1, 0);
  z_stream zs{};
  ASSERT_EQ(deflateInit2(&zs, 1, Z_DEFLATED, 15, 8, Z_RLE), Z_OK);
  std::vector<std::uint8_t> packed(deflateBound(&zs, static_cast<uLong>(zeros.size())));
  zs.next_in = zeros.data();
  zs.avail_in = static_cast<uInt>(zeros.size());
  zs.next_out = packed.data();
  zs.avail_out = static_cast<uInt>(packed.size());
  ASSERT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
  packed.resize(zs.total_out);
  deflateEnd(&zs);
  const std::vector<std::uint8_t> bytes = test::read_file(good);
  Dictionary probe;
  ASSERT_TRUE(probe.open_dictionary(good));
  const std::size_t table_at = kHeaderSizeV4 + probe.header().words_packed_size;
  probe.close_dictionary();
  {
    const auto claim = static_cast<std::uint32_t>(kMaxBlockSize + 1);
    std::vector<std::uint8_t> file = bytes;
    const auto block_at = static_cast<std::uint32_t>(file.size());
    append_u32(&file, claim);
    append_u32(&file, static_cast<std::uint32_t>(packed.size()));
    file.insert(file.end(), packed.begin(), packed.end());
    for (int i = 0; i < 4; ++i) file[table_at + i] = static_cast<std::uint8_t>(block_at >> (8 * i));
    const std::string path = dir_.file("big.zd");
    test::write_file(path, file);
    ASSERT_TRUE(dict_.open_dictionary(path));
    messages_.clear();
    EXPECT_FALSE(dict_.article_at(0));
    EXPECT_EQ(messages_.texts(), std::vector<std::string>{kIntegrity});
  }
}

TEST_F(ArticlesTest, BrokenStreamIsReopenedSilentlyWithThePack) {
  std::string path = write(numbered_source(20), {});
  std::string error;
  ASSERT_TRUE(compiler::write_pack_file(dir_.file("en-ru.zpak"),
                                        {{u"style.css", {'b', '{', '}'}, false}}, {}, &error))
      << error;
  ASSERT_TRUE(dict_.open_dictionary(path));
  ASSERT_TRUE(dict_.pack());
  ASSERT_TRUE(dict_.article_at(3));

  DictionaryTestPeer::break_stream(dict_);
  auto text = dict_.article_at(4);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, article_text(4));
  EXPECT_TRUE(messages_.texts().empty());
  // Loaded data stayed; the pack was opened again.
  EXPECT_EQ(dict_.word_count(), 20u);
  EXPECT_EQ(*dict_.word_at(7), u"w00007");
  ASSERT_TRUE(dict_.pack());
  std::uint32_t size = 0;
  std::vector<std::uint8_t> buffer;
  EXPECT_NE(dict_.read_pack_entry(u"style.css", &size, &buffer), nullptr);
}

TEST_F(ArticlesTest, BrokenStreamWithTheFileGoneIsAnIntegrityErrorUntilItReturns) {
  std::string path = write(numbered_source(20), {});
  ASSERT_TRUE(dict_.open_dictionary(path));
  DictionaryTestPeer::break_stream(dict_);
  std::filesystem::rename(path, path + ".away");
  EXPECT_FALSE(dict_.article_at(4));
  EXPECT_EQ(messages_.texts(), std::vector<std::string>{kIntegrity});
  EXPECT_EQ(dict_.verify_checksum(), kChecksumUnreadable);

  std::filesystem::rename(path + ".away", path);
  messages_.clear();
  auto text = dict_.article_at(4);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, article_text(4));
  EXPECT_TRUE(messages_.texts().empty());
}

TEST_F(ArticlesTest, FailedOrShortBlockReadIsRetriedOnceOnAReopenedStream) {
  std::string path = write(numbered_source(250), {});
  std::string error;
  ASSERT_TRUE(compiler::write_pack_file(dir_.file("en-ru.zpak"),
                                        {{u"style.css", {'b', '{', '}'}, false}}, {}, &error))
      << error;
  ASSERT_TRUE(dict_.open_dictionary(path));
  ASSERT_TRUE(dict_.article_at(0));
  // The descriptor still seeks, so only the read itself shows the fault.
  for (bool short_read : {false, true}) {
    DictionaryTestPeer::fail_block_reads(dict_, 1, short_read);
    auto text = dict_.article_at(200);
    ASSERT_TRUE(text) << short_read;
    EXPECT_EQ(*text, article_text(200));
    EXPECT_TRUE(messages_.texts().empty()) << short_read;
    EXPECT_EQ(*dict_.article_at(0), article_text(0));
  }
  // Loaded data stayed; the pack was opened again.
  EXPECT_EQ(dict_.word_count(), 250u);
  EXPECT_EQ(*dict_.word_at(7), u"w00007");
  std::uint32_t size = 0;
  std::vector<std::uint8_t> buffer;
  EXPECT_NE(dict_.read_pack_entry(u"style.css", &size, &buffer), nullptr);
  EXPECT_EQ(size, 3u);
}

TEST_F(ArticlesTest, BlockReadFailingAgainAfterTheReopenIsOneIntegrityError) {
  ASSERT_TRUE(dict_.open_dictionary(write(numbered_source(250), {})));
  DictionaryTestPeer::fail_block_reads(dict_, 2, false);
  EXPECT_FALSE(dict_.article_at(200));
  EXPECT_EQ(messages_.texts(), std::vector<std::string>{kIntegrity});
  EXPECT_EQ(dict_.last_error(), Status::integrity_error());
  // The next request finds the stream working again.
  messages_.clear();
  ASSERT_TRUE(dict_.article_at(200));
  EXPECT_EQ(*dict_.article_at(200), article_text(200));
  EXPECT_TRUE(messages_.texts().empty());
}

TEST_F(ArticlesTest, BlockCutShortByTheFileIsBadDataNotRetried) {
  DictionaryOptions options;
  options.articles_per_block = 100;
  std::string path = write(numbered_source(250), options);
  ASSERT_TRUE(dict_.open_dictionary(path));
  // The file loses the end of its last block while open: its size now says
  // the bytes are not there, so no reopening can bring them back.
  std::filesystem::resize_file(path, block_offset(path, 2) + 10);
  EXPECT_FALSE(dict_.article_at(240));
  EXPECT_EQ(messages_.texts(), std::vector<std::string>{kIntegrity});
  EXPECT_EQ(*dict_.article_at(5), article_text(5));
}

TEST_F(ArticlesTest, ClosedDictionaryAnswersNothing) {
  EXPECT_FALSE(dict_.article_at(0));
  EXPECT_FALSE(dict_.expand_abbreviation(u"adj"));
  EXPECT_EQ(dict_.verify_checksum(), kChecksumUnreadable);
  std::uint32_t size = 0;
  std::vector<std::uint8_t> buffer;
  EXPECT_EQ(dict_.read_pack_entry(u"style.css", &size, &buffer), nullptr);
  EXPECT_TRUE(messages_.texts().empty());
}

TEST_F(ArticlesTest, AbbreviationMatchesWholeAbbreviationCaseSensitively) {
  DictionarySource source = numbered_source(3);
  source.abbreviations = {
      {u"adj.", u"adjective with a dot"},
      {u"Adj", u"capital adjective"},
      {u"adj adjective", u""},
      {u"adj", u"adjective"},
      {u"adj", u"second adjective"},
      {u"\u043f\u0440\u0438\u043b",
       u"\u043f\u0440\u0438\u043b\u0430\u0433\u0430\u0442\u0435\u043b\u044c\u043d\u043e\u0435"}};
  ASSERT_TRUE(dict_.open_dictionary(write(source, {})));
  auto adj = dict_.expand_abbreviation(u"adj");
  ASSERT_TRUE(adj);
  EXPECT_EQ(*adj, u"adjective");
  EXPECT_EQ(*dict_.expand_abbreviation(u"Adj"), u"capital adjective");
  EXPECT_EQ(
      *dict_.expand_abbreviation(u"\u043f\u0440\u0438\u043b"),
      u"\u043f\u0440\u0438\u043b\u0430\u0433\u0430\u0442\u0435\u043b\u044c\u043d\u043e\u0435");
  EXPECT_FALSE(dict_.expand_abbreviation(u"ADJ"));
  EXPECT_FALSE(dict_.expand_abbreviation(u"ad"));
  EXPECT_FALSE(dict_.expand_abbreviation(u""));

  ASSERT_TRUE(dict_.open_dictionary(write(numbered_source(3), {}, "none.zd")));
  EXPECT_FALSE(dict_.expand_abbreviation(u"adj"));
}

class ChecksumTest : public ArticlesTest {
 protected:
  // The file of a dictionary with the checksum flag, its trailer replaced by
  // `trailer(bytes before it)`, after `padding` zero bytes.
  template <typename Trailer>
  std::string write_with_trailer(std::size_t padding, Trailer trailer) {
    DictionaryOptions options;
    options.flags = FLAG_HAS_CHECKSUM;
    std::string path = write(numbered_source(300), options);
    std::vector<std::uint8_t> bytes = test::read_file(path);
    bytes.resize(bytes.size() - kChecksumSize + padding, 0);
    append_u32(&bytes, trailer(bytes));
    test::write_file(path, bytes);
    return path;
  }
};

TEST_F(ChecksumTest, AdlerFromZeroOfTheTextbookLoopMatchesTheKnownValue) {
  EXPECT_EQ(adler_from_zero({'a', 'b', 'c'}, 3), 0x024A0126u);
}

TEST_F(ChecksumTest, CorrectTrailerIsOkAndAnyChangedByteIsAMismatch) {
  DictionaryOptions options;
  options.flags = FLAG_HAS_CHECKSUM;
  std::string path = write(numbered_source(300), options);
  ASSERT_TRUE(dict_.open_dictionary(path));
  EXPECT_EQ(dict_.verify_checksum(), kChecksumOk);
  // The check leaves the file position anywhere; articles still read.
  EXPECT_EQ(*dict_.article_at(120), article_text(120));
  dict_.close_dictionary();

  const std::size_t size = std::filesystem::file_size(path);
  test::corrupt_byte(path, size - 5);  // last byte before the trailer
  ASSERT_TRUE(dict_.open_dictionary(path));
  EXPECT_EQ(dict_.verify_checksum(), kChecksumMismatch);
  EXPECT_TRUE(messages_.texts().empty());
}

TEST_F(ChecksumTest, SumsStartAtZeroNotOne) {
  std::string path = write_with_trailer(0, [](const std::vector<std::uint8_t>& b) {
    return static_cast<std::uint32_t>(adler32(1, b.data(), static_cast<uInt>(b.size())));
  });
  ASSERT_TRUE(dict_.open_dictionary(path));
  EXPECT_EQ(dict_.verify_checksum(), kChecksumMismatch);
}

TEST_F(ChecksumTest, ExactMultipleOfTheChunkSizeIsSummedInWholeChunks) {
  DictionaryOptions options;
  options.flags = FLAG_HAS_CHECKSUM;
  std::size_t base = test::read_file(write(numbered_source(300), options)).size() - kChecksumSize;
  std::size_t target = (base / 30720 + 2) * 30720;
  std::string path = write_with_trailer(target - base, [](const std::vector<std::uint8_t>& b) {
    return adler_from_zero(b, b.size());
  });
  ASSERT_EQ(std::filesystem::file_size(path), target + kChecksumSize);
  ASSERT_TRUE(dict_.open_dictionary(path));
  EXPECT_EQ(dict_.verify_checksum(), kChecksumOk);
}

TEST_F(ChecksumTest, NoFlagMeansNoChecksumEvenWithAValidTrailer) {
  std::string path = write(numbered_source(10), {});
  std::vector<std::uint8_t> bytes = test::read_file(path);
  append_u32(&bytes, adler_from_zero(bytes, bytes.size()));
  test::write_file(path, bytes);
  ASSERT_TRUE(dict_.open_dictionary(path));
  EXPECT_EQ(dict_.verify_checksum(), kChecksumAbsent);
}

TEST_F(ChecksumTest, UnreadableStreamGivesThreeAndTheDictionaryStaysUsable) {
  DictionaryOptions options;
  options.flags = FLAG_HAS_CHECKSUM;
  ASSERT_TRUE(dict_.open_dictionary(write(numbered_source(30), options)));
  DictionaryTestPeer::break_stream(dict_);
  EXPECT_EQ(dict_.verify_checksum(), kChecksumUnreadable);
  EXPECT_EQ(*dict_.article_at(7), article_text(7));
  EXPECT_EQ(dict_.verify_checksum(), kChecksumOk);
}

class DictionaryPackTest : public ArticlesTest {};

TEST_F(DictionaryPackTest, PackBesideTheDictionaryIsFoundByItsName) {
  std::string path = write(numbered_source(5), {});
  std::string error;
  ASSERT_TRUE(compiler::write_pack_file(dir_.file("en-ru.zpak"),
                                        {{u"img\\cat.png", {1, 2, 3}, false},
                                         {u"style.css", std::vector<std::uint8_t>(900, 'x'), true}},
                                        {}, &error))
      << error;
  ASSERT_TRUE(dict_.open_dictionary(path));
  ASSERT_TRUE(dict_.pack());
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;
  const std::uint8_t* cat = dict_.read_pack_entry(u"img/cat.png", &size, &buffer);
  ASSERT_NE(cat, nullptr);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(cat[2], 3);
  const std::uint8_t* css = dict_.read_pack_entry(u"style.css", &size, &buffer);
  ASSERT_NE(css, nullptr);
  EXPECT_EQ(css, buffer.data());
  EXPECT_EQ(size, 900u);

  // Opening another dictionary without a pack leaves no index behind.
  ASSERT_TRUE(dict_.open_dictionary(write(numbered_source(5), {}, "other.zd")));
  EXPECT_FALSE(dict_.pack());
  EXPECT_EQ(dict_.read_pack_entry(u"style.css", &size, &buffer), nullptr);
}

TEST_F(DictionaryPackTest, MalformedPackLeavesTheDictionaryWithoutPackSilently) {
  std::string path = write(numbered_source(5), {});
  test::write_file(dir_.file("en-ru.zpak"), std::string("Zpak\x02\x00\xff\xff\xff\x7f", 10));
  ASSERT_TRUE(dict_.open_dictionary(path));
  EXPECT_FALSE(dict_.pack());
  EXPECT_EQ(*dict_.article_at(2), article_text(2));
  EXPECT_TRUE(messages_.texts().empty());
}

TEST_F(DictionaryPackTest, DictionaryPathWithoutADotHasNoPack) {
  std::string path = write(numbered_source(5), {}, "enru");
  std::string error;
  ASSERT_TRUE(compiler::write_pack_file(dir_.file("enru.zpak"), {{u"a", {1}, false}}, {}, &error));
  ASSERT_TRUE(dict_.open_dictionary(path));
  // The temporary folder's own name holds no ".", so no pack is looked for.
  ASSERT_EQ(dir_.path().find('.'), std::string::npos);
  EXPECT_FALSE(dict_.pack());
}

}  // namespace
}  // namespace lexora
