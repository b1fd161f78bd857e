#include "gui/article/link_target.h"

#include <gtest/gtest.h>

#include <string>

namespace lexora {
namespace {

struct Case {
  std::u16string target;
  LinkKind kind;
  std::u16string argument;
};

TEST(LinkTarget, EachRuleInItsOrder) {
  const Case cases[] = {
      {u"!@_сущ.", LinkKind::kAbbreviation, u"_сущ."},
      {u"!%house.ogg", LinkKind::kSound, u"house.ogg"},
      {u"!%snd\\cat", LinkKind::kSound, u"snd\\cat"},  // no extension needed after "!%"
      {u"snd\\cat.WAV", LinkKind::kSound, u"snd\\cat.WAV"},
      {u"pics\\photo.JPG", LinkKind::kPicture, u"pics\\photo.JPG"},
      {u"#top", LinkKind::kAnchor, u"top"},
      {u"HTTP://x", LinkKind::kAddress, u"HTTP://x"},
      {u"mailto:a@b", LinkKind::kAddress, u"mailto:a@b"},
      {u"Ftp://host/f", LinkKind::kAddress, u"Ftp://host/f"},
      {u"house", LinkKind::kWord, u"house"},
      {u"FILE://docs\\guide.pdf", LinkKind::kPackedFile, u"docs\\guide.pdf"},
  };
  for (const Case& c : cases) {
    const LinkTarget link = classify_link(c.target);
    EXPECT_EQ(link.kind, c.kind) << std::string(c.target.begin(), c.target.end());
    EXPECT_EQ(link.argument, c.argument);
  }
}

TEST(LinkTarget, ShortPrefixedTargetsFallThrough) {
  // "!@" alone, or with one character, is a word; so is "!" with another sign.
  EXPECT_EQ(classify_link(u"!@").kind, LinkKind::kWord);
  EXPECT_EQ(classify_link(u"!@x").kind, LinkKind::kWord);
  EXPECT_EQ(classify_link(u"!#abc").kind, LinkKind::kWord);
  EXPECT_EQ(classify_link(u"!%a").kind, LinkKind::kWord);
  EXPECT_EQ(classify_link(u"#").kind, LinkKind::kWord);
}

TEST(LinkTarget, ExtensionsWinOverAddressesAndFiles) {
  // Rules 3 and 4 come before 6 and 8: the extension decides.
  EXPECT_EQ(classify_link(u"http://host/a.png").kind, LinkKind::kPicture);
  EXPECT_EQ(classify_link(u"file://snd\\a.ogg").kind, LinkKind::kSound);
  EXPECT_EQ(classify_link(u"#a.wav").kind, LinkKind::kSound);
  EXPECT_EQ(classify_link(u"archive.tar.gz").kind, LinkKind::kWord);
  EXPECT_EQ(classify_link(u"file://docs\\about.txt").kind, LinkKind::kPackedFile);
}

TEST(LinkTarget, PrefixesCompareAsciiCaseOnly) {
  EXPECT_TRUE(starts_with_ignoring_case(u"MailTo:x", u"mailto:"));
  EXPECT_FALSE(starts_with_ignoring_case(u"mail", u"mailto:"));
  EXPECT_FALSE(starts_with_ignoring_case(u"http:/", u"http://"));
}

}  // namespace
}  // namespace lexora
