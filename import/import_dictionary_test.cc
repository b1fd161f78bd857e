#include "import/import_dictionary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/dictionary.h"
#include "import/test_sources.h"
#include "testing/test_files.h"

namespace lexora::import {
namespace {

constexpr char kXdxf[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<xdxf lang_from=\"ENG\" lang_to=\"RUS\" format=\"visual\">\n"
    "<full_name>Sky</full_name>\n"
    "<ar><k>sun</k>the star we circle</ar>\n"
    "<ar><k>moon</k>what circles us</ar>\n"
    "</xdxf>\n";

TEST(ImportDictionary, DictzippedXdxfIsFoundByItsNameOrItsUnpackedStart) {
  lexora::test::TempDir dir;
  lexora::test::write_file(dir.file("sky.xdxf.dz"), test::dictzip(kXdxf, 64));
  // A name that says nothing: the unpacked text does.
  lexora::test::write_file(dir.file("sky.dz"), test::dictzip(kXdxf, 64));
  lexora::test::write_file(dir.file("notes.dz"), test::dictzip("just some text", 64));
  EXPECT_EQ(detect_format(dir.file("sky.xdxf.dz")), SourceFormat::kXdxf);
  EXPECT_EQ(detect_format(dir.file("sky.dz")), SourceFormat::kXdxf);
  EXPECT_EQ(detect_format(dir.file("notes.dz")), SourceFormat::kUnknown);
  EXPECT_EQ(detect_format(dir.file("missing.dz")), SourceFormat::kUnknown);

  const auto filters = import_filters();
  EXPECT_TRUE(std::any_of(filters.begin(), filters.end(), [](const FormatFilter& f) {
    return std::find(f.patterns.begin(), f.patterns.end(), "*.xdxf.dz") != f.patterns.end();
  }));

  ImportError error;
  ASSERT_TRUE(import_dictionary(dir.file("sky.xdxf.dz"), dir.file("sky.zd"), ImportOptions{},
                                nullptr, &error))
      << describe(error);
  Dictionary dict;
  ASSERT_TRUE(dict.open_dictionary(dir.file("sky.zd")));
  ASSERT_EQ(dict.word_count(), 2u);
  bool exact = false;
  const std::uint32_t sun = dict.find_word(u"sun", &exact, false);
  ASSERT_TRUE(exact);
  const auto article = dict.article_at(sun);
  ASSERT_TRUE(article.has_value());
  EXPECT_NE(article->find(u"the star we circle"), std::u16string_view::npos);
}

}  // namespace
}  // namespace lexora::import
