#include "render/page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "compiler/dictionary_writer.h"
#include "compiler/pack_writer.h"
#include "engine/dictionary.h"
#include "engine/dictionary_header.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

constexpr std::u16string_view kPageHead = u"<html><head></head><body><font face=\"Sans\">";

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class PageTest : public ::testing::Test {
 protected:
  // Writes t.zd (and t.zpak when `style_css` is given) and opens it.
  void open(std::uint32_t flags = 0, const std::vector<std::uint8_t>* style_css = nullptr,
            bool compress_style = true) {
    compiler::DictionarySource source;
    source.entries = {{u"cat", u"a 1. small animal 2. x"}, {u"dog", u"<t>dog</t> a dog"}};
    compiler::DictionaryOptions options;
    options.flags = flags;
    std::string error;
    const std::string path = dir_.file("t.zd");
    ASSERT_TRUE(compiler::write_dictionary_file(path, source, options, &error)) << error;
    if (style_css != nullptr) {
      std::vector<compiler::PackSourceEntry> entries = {{u"style.css", *style_css, compress_style},
                                                        {u"x.png", {1, 2, 3}, false}};
      ASSERT_TRUE(compiler::write_pack_file(dir_.file("t.zpak"), entries, {}, &error)) << error;
    }
    ASSERT_TRUE(dict_.open_dictionary(path));
  }

  std::u16string render(std::optional<std::u16string_view> headword,
                        std::optional<std::u16string_view> article) {
    return std::u16string(render_article_page(dict_, headword, article, style_, page_));
  }

  test::TempDir dir_;
  Dictionary dict_;
  PageStyle style_{u"Sans"};
  PageBuffer page_;
};

TEST_F(PageTest, PlainPageLayout) {
  open();
  EXPECT_EQ(render(u"cat", u"a 1. b"),
            std::u16string(kPageHead) +
                u"<p><b>cat</b></p><p>a<br><font color=\"Maroon\"><b>1.</b></font> b</p>"
                u"</font></body></html>");
}

TEST_F(PageTest, TextPageHasAnEmptyHeadwordParagraph) {
  open();
  EXPECT_EQ(
      render(u"", u"<img src=\"x.png\">"),
      std::u16string(kPageHead) + u"<p><b></b></p><p><img src=\"x.png\"></p></font></body></html>");
  // No headword at all: no paragraph for it.
  EXPECT_EQ(render(std::nullopt, u"x"),
            std::u16string(kPageHead) + u"<p>x</p></font></body></html>");
}

TEST_F(PageTest, MissingArticleShowsTheErrorText) {
  open();
  const std::u16string page = render(u"cat", std::nullopt);
  EXPECT_EQ(page, std::u16string(kPageHead) +
                      u"<p><b>cat</b></p><p><font color=\"Red\"><b>Ошибка, перевод не найден"
                      u"</b></font></font></body></html>");
}

TEST_F(PageTest, ColourStyleFromTheTable) {
  open();
  style_.colours_in_effect = true;
  style_.background_colour = 0x00FF8040;  // blue FF, green 80, red 40
  style_.text_colour = 0x00BBFFC5;
  style_.link_colour = 0x00FF8080;
  style_.heading_colour = 0x00E8D0F0;
  const std::u16string page = render(u"w", u"t");
  EXPECT_EQ(
      page,
      u"<html><head><style type=\"text/css\"> body {BACKGROUND-COLOR : #4080ff; color : #c5ffbb}"
      u" a { color: #8080ff; text-decoration: underline; } "
      u" a:active { color: #8080ff; text-decoration: underline; } "
      u"h1,h2,h3,h4 {color: #f0d0e8}</style></head><body><font face=\"Sans\">"
      u"<p><b>w</b></p><p>t</p></font></body></html>");
}

TEST_F(PageTest, ColourStyleWinsOverTheStyleSheet) {
  const std::vector<std::uint8_t> css = {'p', '{', '}'};
  open(0, &css);
  style_.colours_in_effect = true;
  style_.background_colour = 0;
  const std::u16string page = render(u"w", u"t");
  EXPECT_NE(page.find(u"BACKGROUND-COLOR : #000000"), std::u16string::npos);
  EXPECT_EQ(page.find(u"p{}"), std::u16string::npos);
}

TEST_F(PageTest, WhiteBackgroundUsesTheStyleSheet) {
  const std::vector<std::uint8_t> css = {'b', 'o', 'd', 'y', '{', '}'};
  open(0, &css);
  style_.colours_in_effect = true;
  style_.background_colour = 0x00FFFFFF;
  EXPECT_EQ(render(u"w", u"t"),
            u"<html><head><style type=\"text/css\">body{}</style></head><body><font face=\"Sans\">"
            u"<p><b>w</b></p><p>t</p></font></body></html>");
}

TEST_F(PageTest, StyleSheetIsCutAtZeroAndReadAsWesternText) {
  // 0x80 is the euro sign and 0xE9 e-acute in the Western code page, which a
  // neutral locale stands for.
  const ScopedEnv locale("LC_ALL", "C");
  const std::vector<std::uint8_t> css = {'a', 0x80, 0xE9, 0, 'z', 'z'};
  for (bool compress : {true, false}) {
    open(0, &css, compress);
    const std::u16string page = render(u"w", u"t");
    EXPECT_TRUE(page.starts_with(u"<html><head><style type=\"text/css\">a€é</style></head>"))
        << compress;
    EXPECT_EQ(page.find(u"zz"), std::u16string::npos);
  }
}

TEST_F(PageTest, StyleSheetIsReadInTheCodePageOfTheUsersLocale) {
  // 0xC1 is Cyrillic Be in 1251, A-acute in 1252 and Greek Alpha in 1253.
  const std::vector<std::uint8_t> css = {'p', '{', 0xC1, '}'};
  open(0, &css, false);
  struct Case {
    const char* locale;
    const char16_t* style;
  };
  for (const Case& c : {Case{"ru_RU.UTF-8", u"p{\u0411}"}, Case{"de_DE.UTF-8", u"p{\u00C1}"},
                        Case{"el_GR.UTF-8", u"p{\u0391}"}, Case{"xx_YY", u"p{\u00C1}"}}) {
    const ScopedEnv locale("LC_ALL", c.locale);
    const std::u16string page = render(u"w", u"t");
    EXPECT_TRUE(page.starts_with(u"<html><head><style type=\"text/css\">" +
                                 std::u16string(c.style) + u"</style></head>"))
        << c.locale;
  }
}

TEST_F(PageTest, NoAutoFormatFlagKeepsPlainText) {
  open(FLAG_NO_AUTO_FORMAT);
  EXPECT_EQ(render(u"w", u"a 1. b <r>x</r>"),
            std::u16string(kPageHead) +
                u"<p><b>w</b></p><p>a 1. b <a href=\"x\">x</a></r></p></font></body></html>");
}

TEST_F(PageTest, RenderArticleAtTakesArticleAndHeadword) {
  open();
  const std::u16string page(render_article_at(dict_, 1, style_, page_));
  EXPECT_EQ(page, std::u16string(kPageHead) +
                      u"<p><b>dog</b></p><p>[<font face=\"Lucida Sans Unicode\">dog</font>]</t>"
                      u" a dog</p></font></body></html>");
  // Past the last word: neither headword nor article.
  const std::u16string missing(render_article_at(dict_, 2, style_, page_));
  EXPECT_EQ(missing, std::u16string(kPageHead) +
                         u"<p><font color=\"Red\"><b>Ошибка, перевод не найден</b></font>"
                         u"</font></body></html>");
}

TEST_F(PageTest, PageBufferIsReused) {
  const std::vector<std::uint8_t> css = {'p', '{', '}'};
  open(0, &css);
  render_article_at(dict_, 0, style_, page_);
  const char16_t* first = page_.page.data();
  for (int k = 0; k < 5; ++k) render_article_at(dict_, k % 2, style_, page_);
  EXPECT_EQ(page_.page.data(), first);
}

TEST(HtmlColourTest, RedComesFirst) {
  std::u16string out;
  append_html_colour(0x00FF8040, &out);
  append_html_colour(0x00000001, &out);
  append_html_colour(0xAB123456, &out);  // the top byte is no colour
  EXPECT_EQ(out, u"#4080ff#010000#563412");
}

}  // namespace
}  // namespace lexora
