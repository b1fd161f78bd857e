#include "engine/dictionary.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "compiler/dictionary_writer.h"
#include "engine/inflate.h"
#include "platform/messages.h"
#include "testing/recording_message_sink.h"
#include "testing/status_recorder.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

using compiler::DictionaryOptions;
using compiler::DictionarySource;

constexpr char kIntegrity[] = "Integrity error";

// Header field offsets of versions 3 to 5.
constexpr std::size_t kWordCountAt = 2;
constexpr std::size_t kWordsSizeAt = 6;
constexpr std::size_t kWordsPackedAt = 10;
constexpr std::size_t kPerBlockAt = 14;
constexpr std::size_t kBlockCountAt = 18;
constexpr std::size_t kAbbrevsSizeAt = 26;
constexpr std::size_t kAbbrevsPackedAt = 30;

DictionarySource numbered_source(int count) {
  DictionarySource source;
  for (int i = 0; i < count; ++i) {
    char word[16];
    std::snprintf(word, sizeof word, "w%05d", i);
    std::u16string w(word, word + std::strlen(word));
    source.entries.emplace_back(w, u"article " + w);
  }
  return source;
}

class DictionaryOpenTest : public ::testing::Test {
 protected:
  std::string write(const DictionarySource& source, const DictionaryOptions& options,
                    const std::string& name = "d.zd") {
    std::string path = dir_.file(name);
    std::string error;
    EXPECT_TRUE(compiler::write_dictionary_file(path, source, options, &error)) << error;
    return path;
  }

  test::TempDir dir_;
  RecordingMessageSink boxes_;  // the engine itself shows none
  Dictionary dict_;
  test::StatusRecorder messages_{dict_};
};

TEST_F(DictionaryOpenTest, OpensEveryVersionWithItsHeaderDefaults) {
  DictionarySource source = numbered_source(250);
  for (std::int16_t version : {2, 3, 4, 5}) {
    DictionaryOptions options;
    options.version = version;
    options.words_code_page = 1252;
    options.articles_code_page = 1250;
    options.locale_id = 0x0409;
    options.articles_per_block = 30;
    std::string path = write(source, options);
    ASSERT_TRUE(dict_.open_dictionary(path)) << version;
    const DictionaryHeader& h = dict_.header();
    EXPECT_EQ(h.version, version);
    EXPECT_EQ(dict_.word_count(), 250u);
    EXPECT_EQ(dict_.word_at(249).value(), u"w00249");
    if (version <= 3) {
      // No code-page fields: whatever lies at bytes 38-49 belongs to the words stream.
      EXPECT_EQ(h.words_code_page, 1251u);
      EXPECT_EQ(h.articles_code_page, 1251u);
      EXPECT_EQ(h.locale_id, 0x0019u);
      EXPECT_FALSE(dict_.use_locale());
    } else {
      EXPECT_EQ(h.words_code_page, 1252u);
      EXPECT_EQ(h.articles_code_page, 1250u);
      EXPECT_EQ(h.locale_id, 0x0409u);
      EXPECT_TRUE(dict_.use_locale());
    }
    // Version 2 always has 100 articles per block, so 3 blocks.
    EXPECT_EQ(h.articles_per_block, version == 2 ? 100u : 30u);
    EXPECT_EQ(h.block_count, version == 2 ? 3u : 9u);
  }
  EXPECT_TRUE(messages_.statuses().empty());
}

TEST_F(DictionaryOpenTest, RejectsVersionsOutsideTwoToFive) {
  for (std::int16_t version : {1, 6, 0, -1, -32768}) {
    DictionaryOptions options;
    options.version = version;
    ASSERT_FALSE(dict_.open_dictionary(write(numbered_source(3), options))) << version;
    EXPECT_FALSE(dict_.is_open());
    EXPECT_EQ(dict_.word_count(), 0u);
  }
  EXPECT_EQ(messages_.texts(), std::vector<std::string>(5, "Wrong version or file format"));
  EXPECT_EQ(dict_.last_error(), Status::wrong_version());
  const Message box = status_message(messages_.statuses()[0]);
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.icon, MessageIcon::kError);
  EXPECT_EQ(box.owner, MessageOwner::kActiveWindow);
  EXPECT_TRUE(boxes_.messages().empty());
}

TEST_F(DictionaryOpenTest, MissingFileFailsSilently) {
  EXPECT_FALSE(dict_.open_dictionary(dir_.file("none.zd")));
  EXPECT_EQ(dict_.last_error(), Status::cannot_open(ENOENT));
  EXPECT_FALSE(dict_.open_dictionary(dir_.path()));  // a folder
  EXPECT_EQ(dict_.last_error().code(), StatusCode::kCannotOpen);
  EXPECT_TRUE(messages_.statuses().empty());
  // A good file clears the error.
  ASSERT_TRUE(dict_.open_dictionary(write(numbered_source(1), {})));
  EXPECT_TRUE(dict_.last_error().ok());
}

TEST_F(DictionaryOpenTest, EachDictionaryTellsItsOwnListener) {
  const std::string good = write(numbered_source(3), {}, "good.zd");
  DictionaryOptions bad_version;
  bad_version.version = 6;
  const std::string bad = write(numbered_source(3), bad_version, "bad.zd");
  Dictionary other;
  test::StatusRecorder other_messages(other);
  EXPECT_FALSE(other.open_dictionary(bad));
  EXPECT_TRUE(dict_.open_dictionary(good));
  EXPECT_EQ(other_messages.statuses(), std::vector<Status>{Status::wrong_version()});
  EXPECT_TRUE(messages_.statuses().empty());
  EXPECT_EQ(other.last_error(), Status::wrong_version());
  EXPECT_TRUE(dict_.last_error().ok());
  // Without a listener the error is only recorded; nothing reaches the
  // process's message boxes.
  Dictionary quiet;
  EXPECT_FALSE(quiet.open_dictionary(bad));
  EXPECT_EQ(quiet.last_error(), Status::wrong_version());
  EXPECT_TRUE(boxes_.messages().empty());
}

TEST_F(DictionaryOpenTest, FailedSecondOpenLeavesNothingOpen) {
  ASSERT_TRUE(dict_.open_dictionary(write(numbered_source(5), {}, "a.zd")));
  EXPECT_FALSE(dict_.open_dictionary(dir_.file("none.zd")));
  EXPECT_FALSE(dict_.is_open());
  EXPECT_EQ(dict_.word_count(), 0u);
  EXPECT_FALSE(dict_.word_at(0).has_value());
  EXPECT_EQ(dict_.header().version, 0);
  EXPECT_TRUE(dict_.path().empty());
}

TEST_F(DictionaryOpenTest, WordAtPastTheEndOrClosedIsNothing) {
  EXPECT_FALSE(dict_.word_at(0).has_value());
  ASSERT_TRUE(dict_.open_dictionary(write(numbered_source(5), {})));
  EXPECT_TRUE(dict_.word_at(4).has_value());
  EXPECT_FALSE(dict_.word_at(5).has_value());
  EXPECT_FALSE(dict_.word_at(0xFFFFFFFFu).has_value());
  EXPECT_EQ(dict_.raw_word_at(0).value(), "w00000");
  dict_.close_dictionary();
  dict_.close_dictionary();  // closing twice is harmless
  EXPECT_FALSE(dict_.word_at(0).has_value());
}

TEST_F(DictionaryOpenTest, HeadwordsDecodeWithTheWordsCodePage) {
  DictionarySource source;
  source.entries = {{u"caf\u00E9", u"\u043A\u0430\u0444\u0435"}, {u"na\u00EFve", u"x"}};
  DictionaryOptions options;
  options.words_code_page = 1252;
  options.articles_code_page = 1251;
  ASSERT_TRUE(dict_.open_dictionary(write(source, options)));
  EXPECT_EQ(dict_.raw_word_at(0).value(), "caf\xE9");
  EXPECT_EQ(dict_.word_at(0).value(), u"caf\u00E9");
}

TEST_F(DictionaryOpenTest, UnsupportedCodePagesAreReportedInOrderAndLoadingGoesOn) {
  std::string path = write(numbered_source(3), {});
  test::patch_u32(path, 38, 12345);  // words_code_page
  test::patch_u32(path, 42, 54321);  // articles_code_page
  ASSERT_TRUE(dict_.open_dictionary(path));
  EXPECT_EQ(messages_.texts(), (std::vector<std::string>{"Codepage 12345 isn't supported",
                                                         "Codepage 54321 isn't supported"}));
  EXPECT_EQ(messages_.statuses()[0].detail(), 12345);
  EXPECT_TRUE(dict_.last_error().ok());  // warnings, not a failure
  EXPECT_EQ(dict_.word_count(), 3u);
  EXPECT_FALSE(dict_.word_at(0).has_value());  // no text in a code page we cannot read
  EXPECT_EQ(dict_.raw_word_at(0).value(), "w00000");
}

TEST_F(DictionaryOpenTest, NoAbbreviationsMeansTheirSizesAreIgnored) {
  std::string path = write(numbered_source(3), {});
  test::patch_u32(path, kAbbrevsSizeAt, 0xFFFFFFFF);
  test::patch_u32(path, kAbbrevsPackedAt, 0x7FFFFFFF);
  ASSERT_TRUE(dict_.open_dictionary(path));
  EXPECT_EQ(dict_.header().abbrev_count, 0u);
}

TEST_F(DictionaryOpenTest, OpensWithAbbreviations) {
  DictionarySource source = numbered_source(3);
  source.abbreviations = {{u"adj.", u"adjective"}, {u"n.", u"noun"}};
  ASSERT_TRUE(dict_.open_dictionary(write(source, {})));
  EXPECT_EQ(dict_.header().abbrev_count, 2u);
  EXPECT_EQ(dict_.word_at(2).value(), u"w00002");
}

TEST_F(DictionaryOpenTest, DictionaryWithoutWordsOpens) {
  ASSERT_TRUE(dict_.open_dictionary(write(DictionarySource{}, {})));
  EXPECT_EQ(dict_.word_count(), 0u);
  EXPECT_EQ(dict_.header().block_count, 0u);
  EXPECT_FALSE(dict_.word_at(0).has_value());
  EXPECT_TRUE(messages_.statuses().empty());
}

// Each case damages a good file in one way; every one must be refused with
// the integrity message, leaving nothing open.
TEST_F(DictionaryOpenTest, MalformedFilesGiveIntegrityError) {
  struct Damage {
    const char* what;
    void (*apply)(const std::string& path, std::size_t size);
  };
  const Damage damages[] = {
      {"corrupt words stream",
       [](const std::string& p, std::size_t) { test::corrupt_byte(p, 50 + 5); }},
      {"cut inside the words stream",
       [](const std::string& p, std::size_t) { test::truncate_file(p, 60); }},
      {"cut inside the header",
       [](const std::string& p, std::size_t) { test::truncate_file(p, 20); }},
      {"packed size past the end",
       [](const std::string& p, std::size_t) { test::patch_u32(p, kWordsPackedAt, 0x7FFFFFFF); }},
      {"packed size cut short",
       [](const std::string& p, std::size_t) { test::patch_u32(p, kWordsPackedAt, 10); }},
      {"inflates past words_size",
       [](const std::string& p, std::size_t) { test::patch_u32(p, kWordsSizeAt, 100); }},
      {"absurd words_size",
       [](const std::string& p, std::size_t) { test::patch_u32(p, kWordsSizeAt, 0xFFFFFFFF); }},
      {"words_size 0",
       [](const std::string& p, std::size_t) { test::patch_u32(p, kWordsSizeAt, 0); }},
      {"too few strings",
       [](const std::string& p, std::size_t) { test::patch_u32(p, kWordCountAt, 501); }},
      {"absurd word count",
       [](const std::string& p, std::size_t) { test::patch_u32(p, kWordCountAt, 0xFFFFFFFF); }},
      {"no articles per block",
       [](const std::string& p, std::size_t) { test::patch_u32(p, kPerBlockAt, 0); }},
      {"no blocks",
       [](const std::string& p, std::size_t) { test::patch_u32(p, kBlockCountAt, 0); }},
      {"block table past the end",
       [](const std::string& p, std::size_t) { test::patch_u32(p, kBlockCountAt, 0x40000000); }},
      {"block table one entry too long",
       [](const std::string& p, std::size_t size) {
         // Cut the file right after the block table's first entry.
         (void)size;
         std::vector<std::uint8_t> bytes = test::read_file(p);
         std::uint32_t packed = bytes[10] | bytes[11] << 8 | bytes[12] << 16 | bytes[13] << 24;
         test::truncate_file(p, 50 + packed + 4);
       }},
  };
  for (const Damage& damage : damages) {
    std::string path = write(numbered_source(500), {});
    damage.apply(path, test::read_file(path).size());
    messages_.clear();
    EXPECT_FALSE(dict_.open_dictionary(path)) << damage.what;
    EXPECT_EQ(messages_.texts(), std::vector<std::string>{kIntegrity}) << damage.what;
    EXPECT_EQ(dict_.last_error(), Status::integrity_error()) << damage.what;
    EXPECT_FALSE(dict_.is_open()) << damage.what;
    EXPECT_EQ(dict_.word_count(), 0u) << damage.what;
  }
}

TEST_F(DictionaryOpenTest, HighlyCompressedWordListsGrowTheirBuffer) {
  // Long repetitive headwords pack far better than the first guess of the
  // unpacked size, so the buffer has to grow while inflating.
  DictionarySource source;
  for (int i = 0; i < 300; ++i) {
    std::u16string word(400, u'a');
    word += static_cast<char16_t>(u'a' + i / 26 % 26);
    word += static_cast<char16_t>(u'a' + i % 26);
    source.entries.emplace_back(word, u"");
  }
  std::string path = write(source, {});
  ASSERT_TRUE(dict_.open_dictionary(path));
  EXPECT_GT(dict_.header().words_size, 8 * dict_.header().words_packed_size);
  EXPECT_EQ(dict_.word_at(299).value().size(), 402u);
  EXPECT_EQ(dict_.word_at(299).value().substr(400), u"ln");
}

TEST_F(DictionaryOpenTest, RecordedWordsSizeLargerThanTheStreamStillOpens) {
  // The stream is complete and holds every headword; only the recorded size
  // is generous, which the one-call inflate never noticed either.
  std::string path = write(numbered_source(10), {});
  std::vector<std::uint8_t> bytes = test::read_file(path);
  const std::uint32_t size = bytes[6] | bytes[7] << 8 | bytes[8] << 16 | bytes[9] << 24;
  test::patch_u32(path, kWordsSizeAt, size + 100);
  ASSERT_TRUE(dict_.open_dictionary(path));
  EXPECT_EQ(dict_.word_at(9).value(), u"w00009");
  EXPECT_TRUE(messages_.statuses().empty());
}

// A words stream may not claim more than 256 MiB unpacked, even when it
// really holds that much: here a real stream of 256 MiB + 1 zero bytes (a few
// hundred KB packed), refused before anything is inflated. (A stream longer
// than its claim is refused at the claim: see the inflate tests.)
TEST_F(DictionaryOpenTest, WordsStreamPastTheSizeLimitIsAnIntegrityError) {
  z_stream zs{};
  ASSERT_EQ(deflateInit2(&zs, 1, Z_DEFLATED, 15, 8, Z_RLE), Z_OK);
  const std::vector<std::uint8_t> zeros(std::size_t{1} << 20, 0);
  std::vector<std::uint8_t> packed;
  std::vector<std::uint8_t> out(std::size_t{1} << 16);
  for (std::size_t left = kMaxWordsStreamSize + 1; left > 0 || zs.avail_in > 0;) {
    if (zs.avail_in == 0 && left > 0) {
      const std::size_t n = std::min(left, zeros.size());
      zs.next_in = const_cast<Bytef*>(zeros.data());
      zs.avail_in = static_cast<uInt>(n);
      left -= n;
    }
    do {
      zs.next_out = out.data();
      zs.avail_out = static_cast<uInt>(out.size());
      deflate(&zs, left == 0 ? Z_FINISH : Z_NO_FLUSH);
      packed.insert(packed.end(), out.data(), zs.next_out);
    } while (zs.avail_out == 0);
  }
  deflateEnd(&zs);
  const std::string good = write(numbered_source(1), {});
  const std::vector<std::uint8_t> header = test::read_file(good);
  {
    const auto claim = static_cast<std::uint32_t>(kMaxWordsStreamSize + 1);
    std::vector<std::uint8_t> file(header.begin(), header.begin() + kHeaderSizeV4);
    file.insert(file.end(), packed.begin(), packed.end());
    file.insert(file.end(), {0, 0, 0, 0});  // the block table
    const std::string path = dir_.file("bomb.zd");
    test::write_file(path, file);
    test::patch_u32(path, kWordCountAt, 1);
    test::patch_u32(path, kWordsSizeAt, claim);
    test::patch_u32(path, kWordsPackedAt, static_cast<std::uint32_t>(packed.size()));
    test::patch_u32(path, kBlockCountAt, 1);
    messages_.clear();
    EXPECT_FALSE(dict_.open_dictionary(path));
    EXPECT_EQ(messages_.texts(), std::vector<std::string>{kIntegrity});
  }
}

TEST_F(DictionaryOpenTest, DamagedAbbreviationsGiveIntegrityError) {
  DictionarySource source = numbered_source(3);
  source.abbreviations = {{u"adj.", u"adjective"}, {u"n.", u"noun"}};
  for (std::uint32_t bad_count : {3u, 0x7FFFFFFFu}) {
    std::string path = write(source, {});
    test::patch_u32(path, 22, bad_count);
    messages_.clear();
    EXPECT_FALSE(dict_.open_dictionary(path));
    EXPECT_EQ(messages_.texts(), std::vector<std::string>{kIntegrity});
  }
  std::string path = write(source, {});
  test::patch_u32(path, kAbbrevsSizeAt, 0);
  messages_.clear();
  EXPECT_FALSE(dict_.open_dictionary(path));
  EXPECT_EQ(messages_.texts(), std::vector<std::string>{kIntegrity});
}

}  // namespace
}  // namespace lexora
