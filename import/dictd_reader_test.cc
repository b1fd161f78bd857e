#include "import/dictd_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "engine/dictionary.h"
#include "import/dictd_text.h"
#include "import/dictzip_file.h"
#include "import/import_dictionary.h"
#include "import/recording_sink_for_test.h"
#include "import/test_sources.h"
#include "platform/messages.h"
#include "platform/utf.h"
#include "testing/recording_message_sink.h"

namespace lexora::import {
namespace {

std::string sample_text(std::size_t size) {
  std::string text;
  std::mt19937 random(7);
  while (text.size() < size)
    text += "word" + std::to_string(random() % 1000) + (random() % 5 ? " " : "\n");
  text.resize(size);
  return text;
}

TEST(Dictzip, ReadsAnyRangeAtRandomFromItsChunks) {
  lexora::test::TempDir dir;
  const std::string text = sample_text(5000);
  lexora::test::write_file(dir.file("t.dict.dz"), test::dictzip(text, 100, "t.dict"));
  DictzipFile file;
  std::string error;
  std::uint64_t at = 0;
  ASSERT_TRUE(file.open(dir.file("t.dict.dz"), &error, &at)) << error;
  EXPECT_TRUE(file.random_access());
  EXPECT_EQ(file.chunk_count(), 50u);
  EXPECT_EQ(file.size(), text.size());
  std::mt19937 random(1);
  std::string out;
  for (int i = 0; i < 300; ++i) {
    const std::uint64_t offset = random() % text.size();
    const std::uint64_t length = random() % std::min<std::uint64_t>(400, text.size() - offset + 1);
    ASSERT_TRUE(file.read(offset, length, &out, &error)) << error;
    ASSERT_EQ(out, text.substr(offset, length)) << offset << "+" << length;
  }
  EXPECT_FALSE(file.read(text.size() - 2, 3, &out, &error));
  EXPECT_NE(error.find("beyond the end"), std::string::npos);
}

TEST(Dictzip, ReadingInFileOrderInflatesEachChunkOnce) {
  lexora::test::TempDir dir;
  const std::string text = sample_text(3000);
  lexora::test::write_file(dir.file("t.dz"), test::dictzip(text, 64));
  DictzipFile file;
  std::string error, out;
  std::uint64_t at = 0;
  ASSERT_TRUE(file.open(dir.file("t.dz"), &error, &at));
  const std::uint64_t after_open = file.chunks_inflated();  // the last, for the size
  for (std::uint64_t offset = 0; offset < text.size(); offset += 10)
    ASSERT_TRUE(file.read(offset, std::min<std::uint64_t>(10, text.size() - offset), &out, &error));
  EXPECT_LE(file.chunks_inflated() - after_open, file.chunk_count());
}

TEST(Dictzip, PlainGzipAndUncompressedFilesReadToo) {
  lexora::test::TempDir dir;
  const std::string text = sample_text(2000);
  // A gzip file without the chunk table: the header's extra flag cleared.
  std::string gz = test::dictzip(text, 4000);
  lexora::test::write_file(dir.file("plain.dict"), text);
  DictzipFile plain;
  std::string error, out;
  std::uint64_t at = 0;
  ASSERT_TRUE(plain.open(dir.file("plain.dict"), &error, &at));
  ASSERT_TRUE(plain.read(100, 50, &out, &error));
  EXPECT_EQ(out, text.substr(100, 50));
  lexora::test::write_file(dir.file("whole.dict.dz"), test::without_chunk_table(gz));
  DictzipFile whole;
  ASSERT_TRUE(whole.open(dir.file("whole.dict.dz"), &error, &at)) << error;
  EXPECT_FALSE(whole.random_access());
  ASSERT_TRUE(whole.read(1500, 500, &out, &error));
  EXPECT_EQ(out, text.substr(1500, 500));
}

// Writes `text` as the uncompressed t.dict in `dir` and opens it as *file.
void open_uncompressed(const lexora::test::TempDir& dir, const std::string& text,
                       DictzipFile* file) {
  lexora::test::write_file(dir.file("t.dict"), text);
  std::string error;
  std::uint64_t at = 0;
  ASSERT_TRUE(file->open(dir.file("t.dict"), &error, &at)) << error;
}

TEST(Dictzip, UncompressedFileReadsAnyRangeAcrossItsPieces) {
  lexora::test::TempDir dir;
  // Pieces of 64 KiB are read whole and cached: ranges across their edges,
  // at random and back to back, and up to the file's last byte.
  const std::string text = sample_text(200'000);
  DictzipFile file;
  ASSERT_NO_FATAL_FAILURE(open_uncompressed(dir, text, &file));
  std::string error, out;
  EXPECT_EQ(file.size(), text.size());
  std::mt19937 random(3);
  for (int i = 0; i < 300; ++i) {
    const std::uint64_t offset = random() % text.size();
    const std::uint64_t length =
        random() % std::min<std::uint64_t>(70'000, text.size() - offset + 1);
    ASSERT_TRUE(file.read(offset, length, &out, &error)) << error;
    ASSERT_EQ(out, text.substr(offset, length)) << offset << "+" << length;
  }
  ASSERT_TRUE(file.read(65'530, 12, &out, &error));
  EXPECT_EQ(out, text.substr(65'530, 12));
  ASSERT_TRUE(file.read(text.size() - 5, 5, &out, &error));
  EXPECT_EQ(out, text.substr(text.size() - 5));
  EXPECT_FALSE(file.read(text.size() - 2, 3, &out, &error));
}

TEST(Dictzip, UncompressedFileCutAfterOpeningIsReportedNotRead) {
  lexora::test::TempDir dir;
  const std::string text = sample_text(150'000);
  DictzipFile file;
  ASSERT_NO_FATAL_FAILURE(open_uncompressed(dir, text, &file));
  std::string error, out;
  lexora::test::write_file(dir.file("t.dict"), text.substr(0, 100'000));
  ASSERT_TRUE(file.read(10, 20, &out, &error)) << error;
  EXPECT_EQ(out, text.substr(10, 20));
  EXPECT_FALSE(file.read(140'000, 100, &out, &error));
  EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}

TEST(Dictzip, DamagedChunksAndTablesAreReportedNotRead) {
  lexora::test::TempDir dir;
  const std::string text = sample_text(1000);
  std::string dz = test::dictzip(text, 100);
  // The table claims more compressed bytes than the file has.
  std::string long_table = dz;
  long_table[22] = static_cast<char>(0xFF);
  long_table[23] = static_cast<char>(0x7F);
  lexora::test::write_file(dir.file("a.dz"), long_table);
  DictzipFile a;
  std::string error, out;
  std::uint64_t at = 0;
  EXPECT_FALSE(a.open(dir.file("a.dz"), &error, &at));
  EXPECT_NE(error.find("past the end"), std::string::npos);
  // A chunk's bytes overwritten: that chunk fails, the others still read.
  std::string broken = dz;
  const std::size_t data_start = 12 + 6 + 4 + 20;
  for (std::size_t i = data_start + 2; i < data_start + 12; ++i) broken[i] = '\x55';
  lexora::test::write_file(dir.file("b.dz"), broken);
  DictzipFile b;
  ASSERT_TRUE(b.open(dir.file("b.dz"), &error, &at)) << error;
  EXPECT_FALSE(b.read(0, 10, &out, &error));
  EXPECT_NE(error.find("chunk 0"), std::string::npos) << error;
  ASSERT_TRUE(b.read(500, 10, &out, &error)) << error;
  EXPECT_EQ(out, text.substr(500, 10));
}

TEST(DictdText, OtherThreadsGetReadersOfTheirOwnExceptOverAWholeGzipFile) {
  lexora::test::TempDir dir;
  const std::string text = sample_text(3000);
  const std::string dz = test::dictzip(text, 1000);
  lexora::test::write_file(dir.file("chunked.dict.dz"), dz);
  lexora::test::write_file(dir.file("whole.dict.dz"), test::without_chunk_table(dz));
  lexora::test::write_file(dir.file("plain.dict"), text);
  for (const char* name : {"chunked.dict.dz", "plain.dict", "whole.dict.dz"}) {
    DictdText source(dir.file(name));
    std::string error, out;
    std::uint64_t at = 0;
    ASSERT_TRUE(source.open(&error, &at)) << name << ": " << error;
    const std::unique_ptr<DictdText> other = source.reopen();
    if (std::string(name) == "whole.dict.dz") {
      EXPECT_EQ(other, nullptr);
      continue;
    }
    ASSERT_NE(other, nullptr) << name;
    ASSERT_TRUE(other->raw(SourceSpan{2100, 400}, &out, &error)) << error;
    EXPECT_EQ(out, text.substr(2100, 400));
  }
}

TEST(DictdNumbers, DecodeBase64DigitsAndRefuseOthers) {
  std::uint64_t v = 99;
  EXPECT_TRUE(decode_dictd_number("A", &v));
  EXPECT_EQ(v, 0u);
  EXPECT_TRUE(decode_dictd_number("BA", &v));
  EXPECT_EQ(v, 64u);
  EXPECT_TRUE(decode_dictd_number("/+", &v));
  EXPECT_EQ(v, 63u * 64 + 62);
  EXPECT_TRUE(decode_dictd_number("U014", &v));
  EXPECT_EQ(v, ((20u * 64 + 52) * 64 + 53) * 64 + 56);
  EXPECT_FALSE(decode_dictd_number("", &v));
  EXPECT_FALSE(decode_dictd_number("A-B", &v));
  EXPECT_FALSE(decode_dictd_number("//////////////", &v));
}

TEST(DictdMarkup, EscapesTextAndLinksBracedWords) {
  EXPECT_EQ(dictd_markup("a < b & {cat}"), "a &lt; b &amp; <r>cat</r>");
  EXPECT_EQ(dictd_markup("{Felis catus}"), "<r>Felis catus</r>");
  // A reference wrapped over two lines links the words joined by one space.
  EXPECT_EQ(dictd_markup("see {Felis\n   catus}."),
            "see <a href=\"Felis catus\">Felis\n   catus</a>.");
  EXPECT_EQ(dictd_markup("{\"quoted\"}"), "<a href=\"&quot;quoted&quot;\">\"quoted\"</a>");
  EXPECT_EQ(dictd_markup("open { and {} and {a {b}"), "open { and {} and {a <r>b</r>");
}

class DictdImportTest : public ::testing::Test {
 protected:
  // Imports `index` and opens the result.
  void import(const std::string& index, ImportStats* stats = nullptr) {
    ImportStats local;
    ImportError error;
    ASSERT_TRUE(import_dictionary(index, dir_.file("out.zd"), ImportOptions{},
                                  stats ? stats : &local, &error))
        << describe(error);
    ASSERT_TRUE(dict_.open_dictionary(dir_.file("out.zd")));
  }
  std::u16string article_of(std::u16string_view word) {
    bool exact = false;
    const std::uint32_t at = dict_.find_word(word, &exact, false);
    EXPECT_TRUE(exact) << std::string(word.begin(), word.end());
    return std::u16string(dict_.article_at(at).value_or(u""));
  }

  lexora::test::TempDir dir_;
  RecordingMessageSink messages_;
  Dictionary dict_;
};

TEST_F(DictdImportTest, CompressedDatabaseBecomesOneArticlePerHeadword) {
  const std::string index = test::write_dictd(
      dir_.path(), "eng-rus",
      {{"00-database-short", "00-database-short\n   Test English-Russian\n"},
       {"00-database-utf8", "\n"},
       {"apple", "apple /\xC3\xA6pl/\n\xD1\x8F\xD0\xB1\xD0\xBB\xD0\xBE\xD0\xBA\xD0\xBE\n"},
       {"bank", "bank\n  1. shore; see {river}\n"},
       {"bank", "bank\n  2. money house\n"},
       {"river", "river\n   flowing water\n"},
       {"stream", "river\n   flowing water\n"}},
      true, 16);
  ImportStats stats;
  import(index, &stats);
  EXPECT_EQ(stats.title, "Test English-Russian");
  EXPECT_EQ(stats.headwords_written, 4u);
  EXPECT_EQ(stats.articles_merged, 1u);
  EXPECT_EQ(stats.skipped["database information entry"], 2u);
  // Languages from the database name: English locale, UTF-8 articles (IPA and
  // Cyrillic share no code page), 1252 headwords.
  EXPECT_EQ(dict_.header().locale_id, 0x0409u);
  EXPECT_EQ(dict_.header().words_code_page, 1252u);
  EXPECT_EQ(dict_.header().articles_code_page, 65001u);
  EXPECT_NE(dict_.header().flags & FLAG_NO_AUTO_FORMAT, 0u);
  EXPECT_EQ(dict_.verify_checksum(), kChecksumOk);
  EXPECT_EQ(article_of(u"apple"),
            u"<div style=\"white-space:pre-wrap\">apple "
            u"/\u00E6pl/\n\u044F\u0431\u043B\u043E\u043A\u043E</div>");
  // Both texts of "bank", in file order, one rule between them.
  EXPECT_EQ(article_of(u"bank"),
            u"<div style=\"white-space:pre-wrap\">bank\n  1. shore; see <r>river</r></div>"
            u"<hr><div style=\"white-space:pre-wrap\">bank\n  2. money house</div>");
  // "stream" indexes the text of "river", which starts with its own headword.
  EXPECT_EQ(article_of(u"stream"), u"&rarr; <a href=\"river\">river</a>");
}

TEST_F(DictdImportTest, EightBitTextWithoutTheUtf8EntryIsWindows1252) {
  const std::string index = test::write_dictd(dir_.path(), "fr",
                                              {{"caf\xE9",
                                                "caf\xE9\n  \x93"
                                                "coffee\x94\n"},
                                               {"na\xC3\xAFve", "na\xC3\xAFve\n"}},
                                              false);
  import(index);
  EXPECT_EQ(dict_.header().words_code_page, 1252u);
  EXPECT_EQ(dict_.header().articles_code_page, 1252u);
  EXPECT_EQ(article_of(u"caf\u00E9"),
            u"<div style=\"white-space:pre-wrap\">caf\u00E9\n  \u201Ccoffee\u201D</div>");

  // Well-formed UTF-8 stays UTF-8 even so.
  EXPECT_EQ(article_of(u"na\u00EFve"), u"<div style=\"white-space:pre-wrap\">na\u00EFve</div>");
}

TEST_F(DictdImportTest, ZeroByteOfEightBitTextIsReplacedAlikeOnBothReadings) {
  // No article may hold a 0 byte: the text read for writing must give what
  // the first reading kept, or the import fails as if the source changed.
  const std::string index = test::write_dictd(
      dir_.path(), "fr", {{"th\xE9", std::string("th\xE9 \0 tea\n", 9)}}, true, 8);
  import(index);
  EXPECT_EQ(article_of(u"th\u00E9"),
            u"<div style=\"white-space:pre-wrap\">th\u00E9 \uFFFD tea</div>");
}

TEST_F(DictdImportTest, DamagedIndexNamesTheFileAndLineAndWritesNothing) {
  const std::string index =
      test::write_dictd(dir_.path(), "bad", {{"a", "a\n"}, {"b", "b\n"}}, true);
  std::string text = "a\tA\tC\nb\tC\n";
  lexora::test::write_file(index, text);
  ImportError error;
  EXPECT_FALSE(import_dictionary(index, dir_.file("out.zd"), ImportOptions{}, nullptr, &error));
  EXPECT_EQ(error.file, index);
  EXPECT_EQ(error.line, 2u);
  EXPECT_NE(describe(error).find("bad.index: line 2: "), std::string::npos) << describe(error);
  // An entry past the end of the text.
  lexora::test::write_file(index, "a\tA\tC\nb\tC\tz\n");
  EXPECT_FALSE(import_dictionary(index, dir_.file("out.zd"), ImportOptions{}, nullptr, &error));
  EXPECT_EQ(error.line, 2u);
  EXPECT_NE(error.message.find("beyond the end"), std::string::npos);
  // Nothing was left: no output, no temporary file.
  std::size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
    files += e.path().extension() != ".index" && e.path().extension() != ".dz";
  EXPECT_EQ(files, 0u);
}

// An index large enough to be read, and sorted by place, in two halves at
// once: every entry must come through as from one reading, and the lines of
// the second half keep their numbers in messages.
TEST_F(DictdImportTest, LargeIndexReadInTwoHalvesKeepsEveryEntryAndLine) {
  constexpr int kEntries = 20000;
  // Texts lie in the reverse of the index order. Every 100th pair of entries
  // shares one text that begins with neither headword: the first in the
  // index is then its own headword and the second links to it.
  std::vector<std::string> words, texts;
  for (int i = 0; i < kEntries; ++i) {
    char word[16];
    std::snprintf(word, sizeof word, "h%05d", i);
    words.emplace_back(word);
    texts.push_back(i % 100 == 1 ? texts.back()
                                 : std::string(word) + " means " + std::to_string(i) + "\n");
  }
  std::string dict;
  std::vector<std::size_t> offsets(kEntries);
  for (int i = kEntries - 1; i >= 0; --i) {
    if (i % 100 == 0) texts[i] = "shared " + std::to_string(i) + "\n";
    if (i % 100 == 1) continue;  // placed with its partner
    offsets[i] = dict.size();
    dict += texts[i];
  }
  std::string index;
  for (int i = 0; i < kEntries; ++i) {
    const int placed = i % 100 == 1 ? i - 1 : i;
    index += words[i] + "\t" + test::dictd_number(offsets[placed]) + "\t" +
             test::dictd_number(texts[placed].size()) + "\n";
  }
  ASSERT_GT(index.size(), std::size_t{256} * 1024);
  const std::string base = dir_.file("big");
  lexora::test::write_file(base + ".dict", dict);
  lexora::test::write_file(base + ".index", index);
  ImportStats stats;
  import(base + ".index", &stats);
  EXPECT_EQ(stats.headwords_written, static_cast<std::uint64_t>(kEntries));
  for (const int i : {2, 3, kEntries / 2 - 1, kEntries / 2 + 3, kEntries - 1})
    EXPECT_EQ(article_of(utf8_to_utf16(words[i])), u"<div style=\"white-space:pre-wrap\">" +
                                                       utf8_to_utf16(words[i]) + u" means " +
                                                       utf8_to_utf16(std::to_string(i)) + u"</div>")
        << i;
  for (const int pair : {0, 9900, 10000, 19900})
    EXPECT_EQ(article_of(utf8_to_utf16(words[pair + 1])), u"&rarr; <a href=\"" +
                                                              utf8_to_utf16(words[pair]) + u"\">" +
                                                              utf8_to_utf16(words[pair]) + u"</a>")
        << pair;
  // A damaged line far into the second half.
  std::string damaged = index;
  const std::size_t line_at = damaged.find("h15000\t");
  ASSERT_NE(line_at, std::string::npos);
  damaged[damaged.find('\t', line_at) + 1] = '!';
  lexora::test::write_file(base + ".index", damaged);
  ImportError error;
  EXPECT_FALSE(
      import_dictionary(base + ".index", dir_.file("bad.zd"), ImportOptions{}, nullptr, &error));
  EXPECT_EQ(error.line, 15001u) << describe(error);
}

// A database whose text lies in another order than the sorted headwords: a
// few thousand entries written in a shuffled order over many small chunks,
// 8-bit text, links, characters to escape, texts shared by two headwords.
std::string write_shuffled_database(const std::string& folder, bool compressed) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (int i = 0; i < 3000; ++i) {
    const std::string word = (i % 7 == 0 ? "Caf\xE9" : "w") + std::to_string(i);
    entries.emplace_back(word, word + "\n  sense <" + std::to_string(i * 31 % 997) + "> & {w" +
                                   std::to_string((i * 13) % 3000) + "}\n\n  \x93more\x94\n");
    if (i % 50 == 0) entries.emplace_back("alias" + std::to_string(i), entries.back().second);
  }
  std::shuffle(entries.begin(), entries.end(), std::mt19937(11));
  return test::write_dictd(folder, "shuffled", entries, compressed, 128);
}

// Read again on several threads, each through a reader of its own, or, for
// a gzip file without a chunk table (held whole once), through one shared.
TEST_F(DictdImportTest, ArticlesReadAgainFromTheSourceEqualHeldOnes) {
  enum class Kind { kPlain, kDictzip, kWholeGzip };
  for (const Kind kind : {Kind::kPlain, Kind::kDictzip, Kind::kWholeGzip}) {
    lexora::test::TempDir dir;
    const std::string index = write_shuffled_database(dir.path(), kind != Kind::kPlain);
    if (kind == Kind::kWholeGzip) {
      const std::string dz = dir.file("shuffled.dict.dz");
      const std::vector<std::uint8_t> bytes = lexora::test::read_file(dz);
      lexora::test::write_file(dz,
                               test::without_chunk_table(std::string(bytes.begin(), bytes.end())));
    }
    ImportOptions held;
    held.conversion.reread_sources = false;
    ImportError error;
    ImportStats stats;
    ASSERT_TRUE(import_dictionary(index, dir.file("held.zd"), held, &stats, &error))
        << describe(error);
    ASSERT_TRUE(import_dictionary(index, dir.file("reread.zd"), ImportOptions{}, nullptr, &error))
        << describe(error);
    EXPECT_EQ(stats.headwords_written, 3060u);
    // Byte for byte the same file, whichever way the articles came.
    EXPECT_TRUE(lexora::test::read_file(dir.file("held.zd")) ==
                lexora::test::read_file(dir.file("reread.zd")));
    ASSERT_TRUE(dict_.open_dictionary(dir.file("reread.zd")));
    EXPECT_EQ(article_of(u"Caf\u00E914"),
              u"<div style=\"white-space:pre-wrap\">Caf\u00E914\n  sense &lt;434&gt; &amp; "
              u"<r>w182</r>\n\n  \u201Cmore\u201D</div>");
    dict_.close_dictionary();
  }
}

// What the collector read is written only while the source still gives the
// same text: a source changed or cut in between fails the writing, naming
// the file, where holding the articles would write them as they were read.
TEST_F(DictdImportTest, SourceChangedOrCutAfterReadingIsAnErrorNotWrittenWrong) {
  const std::string index = write_shuffled_database(dir_.path(), false);
  const std::string dict_path = dir_.file("shuffled.dict");
  const std::vector<std::uint8_t> original = lexora::test::read_file(dict_path);
  const auto read_then_change = [&](bool reread, std::string* message) {
    ConversionOptions options;
    options.reread_sources = reread;
    DictionaryCollector collector(options);
    ImportError error;
    EXPECT_TRUE(read_dictd_dictionary(index, &collector, &error)) << describe(error);
    std::vector<std::uint8_t> changed = original;
    changed[changed.size() / 2] ^= 0x01;  // same size, one bit of one article
    lexora::test::write_file(dict_path, changed);
    const bool written = collector.write(dir_.file("out.zd"), dir_.file("out.zpak"), message);
    lexora::test::write_file(dict_path, original);
    return written;
  };
  std::string message;
  EXPECT_FALSE(read_then_change(true, &message));
  EXPECT_NE(message.find("shuffled.dict: offset "), std::string::npos) << message;
  EXPECT_NE(message.find("changed"), std::string::npos) << message;
  EXPECT_TRUE(read_then_change(false, &message)) << message;

  // A compressed text cut short after reading.
  lexora::test::TempDir other;
  const std::string cut_index = write_shuffled_database(other.path(), true);
  DictionaryCollector collector(ConversionOptions{});
  ImportError error;
  ASSERT_TRUE(read_dictd_dictionary(cut_index, &collector, &error)) << describe(error);
  const std::string dz = other.file("shuffled.dict.dz");
  const std::vector<std::uint8_t> packed = lexora::test::read_file(dz);
  lexora::test::write_file(
      dz, std::vector<std::uint8_t>(packed.begin(), packed.begin() + packed.size() / 2));
  EXPECT_FALSE(collector.write(other.file("out.zd"), other.file("out.zpak"), &message));
  EXPECT_NE(message.find("shuffled.dict.dz: offset "), std::string::npos) << message;
}

// Texts are made into articles on a second thread: a damaged chunk still
// fails the reading with its place, and a cancel stops it.
TEST_F(DictdImportTest, DamagedTextOrCancelStopsTheReading) {
  const std::string index = write_shuffled_database(dir_.path(), true);
  RecordingSink cancelled;
  cancelled.cancel_at_call = 1;  // the first report, after the first run of the index
  ImportError error;
  EXPECT_FALSE(read_dictd_dictionary(index, &cancelled, &error));
  EXPECT_EQ(error.message, "cancelled");
  EXPECT_EQ(cancelled.progress_calls, 1);
  EXPECT_LT(cancelled.articles.size(), 3000u);

  // Overwrite compressed bytes past the first half of the file.
  const std::string dz = dir_.file("shuffled.dict.dz");
  std::vector<std::uint8_t> packed = lexora::test::read_file(dz);
  for (std::size_t i = packed.size() * 3 / 4; i < packed.size() * 3 / 4 + 64; ++i) packed[i] = 0x55;
  lexora::test::write_file(dz, packed);
  RecordingSink sink;
  EXPECT_FALSE(read_dictd_dictionary(index, &sink, &error));
  EXPECT_EQ(error.file, dz);
  EXPECT_GT(error.offset, 0u);
  EXPECT_NE(error.message.find("damaged"), std::string::npos) << error.message;
}

// An empty index (the reader's line buffer is allocated even then, and must
// be freed: the leak check of the sanitizer build sees it) is refused.
TEST_F(DictdImportTest, EmptyIndexIsRefusedByName) {
  const std::string index = test::write_dictd(dir_.path(), "empty", {{"a", "a\n"}}, true);
  lexora::test::write_file(index, "");
  ImportError error;
  EXPECT_FALSE(import_dictionary(index, dir_.file("out.zd"), ImportOptions{}, nullptr, &error));
  EXPECT_EQ(error.file, index);
  EXPECT_NE(error.message.find("no entries"), std::string::npos) << error.message;
}

}  // namespace
}  // namespace lexora::import
