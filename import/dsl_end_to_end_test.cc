// A DSL dictionary with a picture and a sound, made here, converted and read
// back as the article window reads it: the page's picture and sound names
// must find their files in the converted pack.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/dictionary.h"
#include "engine/media.h"
#include "images/image.h"
#include "import/import_dictionary.h"
#include "import/zip_writer_for_test.h"
#include "platform/utf.h"
#include "render/page.h"
#include "testing/test_files.h"
#include "testing/test_pictures.h"

namespace lexora::import {
namespace {

// UTF-16LE with a byte order mark and CR LF line ends, as DSL sources come.
std::vector<std::uint8_t> dsl_bytes(const std::string& utf8) {
  std::string crlf;
  for (char c : utf8) {
    if (c == '\n') crlf.push_back('\r');
    crlf.push_back(c);
  }
  std::vector<std::uint8_t> out;
  for (char16_t u : u"\uFEFF" + utf8_to_utf16(crlf)) {
    out.push_back(static_cast<std::uint8_t>(u));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return out;
}

void put_le(std::vector<std::uint8_t>* out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A short 8 kHz mono 16-bit PCM WAV file.
std::vector<std::uint8_t> wav_bytes() {
  constexpr std::uint32_t kSamples = 800;
  std::vector<std::uint8_t> out = bytes_of("RIFF");
  put_le(&out, 36 + kSamples * 2, 4);
  for (char c : std::string("WAVEfmt ")) out.push_back(static_cast<std::uint8_t>(c));
  put_le(&out, 16, 4);
  put_le(&out, 1, 2);  // PCM
  put_le(&out, 1, 2);  // mono
  put_le(&out, 8000, 4);
  put_le(&out, 16000, 4);
  put_le(&out, 2, 2);
  put_le(&out, 16, 2);
  for (char c : std::string("data")) out.push_back(static_cast<std::uint8_t>(c));
  put_le(&out, kSamples * 2, 4);
  for (std::uint32_t i = 0; i < kSamples; ++i) put_le(&out, (i % 40) * 800, 2);
  return out;
}

// The text between `start` and the next double quote, after `from`.
std::u16string attribute_after(std::u16string_view page, std::u16string_view start,
                               std::size_t* from) {
  const std::size_t at = page.find(start, *from);
  if (at == std::u16string_view::npos) return {};
  const std::size_t begin = at + start.size();
  const std::size_t end = page.find(u'"', begin);
  *from = end;
  return std::u16string(page.substr(begin, end - begin));
}

std::vector<std::uint8_t> pack_entry(Dictionary& dict, std::u16string_view name) {
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;
  const std::uint8_t* data = dict.read_pack_entry(name, &size, &buffer);
  return data == nullptr ? std::vector<std::uint8_t>()
                         : std::vector<std::uint8_t>(data, data + size);
}

TEST(DslEndToEnd, PictureAndSoundOfTheSourceResolveInTheConvertedPack) {
  lexora::test::TempDir dir;
  const std::vector<std::uint8_t> picture =
      images::test::encode_png(3, 2, std::vector<std::uint8_t>(3 * 2 * 4, 0x80));
  const std::vector<std::uint8_t> sound = wav_bytes();
  lexora::test::write_file(dir.file("pets.dsl"),
                           dsl_bytes("#NAME \"Pets\"\n"
                                     "#INDEX_LANGUAGE \"English\"\n"
                                     "#CONTENTS_LANGUAGE \"English\"\n"
                                     "\n"
                                     "cat\n"
                                     "\t[m1][b]cat[/b] [s]cat.png[/s] [s]meow.wav[/s][/m]\n"
                                     "\t[m1]a small animal[/m]\n"));
  lexora::test::write_file(dir.file("pets.dsl.files.zip"),
                           build_zip({{"cat.png", picture, false}, {"meow.wav", sound, true}}));
  ImportError error;
  ImportStats stats;
  ASSERT_TRUE(
      import_dictionary(dir.file("pets.dsl"), dir.file("pets.zd"), ImportOptions{}, &stats, &error))
      << describe(error);
  EXPECT_EQ(stats.media_files, 2u);

  Dictionary dict;
  ASSERT_TRUE(dict.open_dictionary(dir.file("pets.zd")));
  ASSERT_NE(dict.pack(), nullptr);  // pets.zpak beside it
  bool exact = false;
  const std::uint32_t cat = dict.find_word(u"cat", &exact, false);
  ASSERT_TRUE(exact);
  const std::u16string page(render_article_at(dict, cat, PageStyle{}));
  EXPECT_NE(page.find(u"a small animal"), std::u16string::npos);

  std::size_t at = 0;
  const std::u16string picture_name = attribute_after(page, u"<img src=\"", &at);
  ASSERT_FALSE(picture_name.empty()) << utf16_to_utf8(page);
  EXPECT_EQ(image_type_of(picture_name), kImageTypePng);
  EXPECT_EQ(pack_entry(dict, picture_name), picture);
  const std::vector<std::uint8_t> stored = pack_entry(dict, picture_name);
  const images::Image image(stored.data(), stored.size(), image_type_of(picture_name));
  EXPECT_EQ(image.width(), 3u);
  EXPECT_EQ(image.height(), 2u);

  at = 0;
  const std::u16string sound_name = attribute_after(page, u"<a href=\"!%", &at);
  ASSERT_FALSE(sound_name.empty()) << utf16_to_utf8(page);
  EXPECT_EQ(sound_type_of(sound_name), kSoundTypeWav);
  EXPECT_EQ(pack_entry(dict, sound_name), sound);
}

}  // namespace
}  // namespace lexora::import
