#include "engine/media.h"

#include <gtest/gtest.h>

namespace lexora {
namespace {

TEST(MediaTypes, PictureExtensionsIgnoreCase) {
  EXPECT_EQ(image_type_of(u"a.bmp"), kImageTypeBmp);
  EXPECT_EQ(image_type_of(u"a.GIF"), kImageTypeGif);
  EXPECT_EQ(image_type_of(u"photo.jpg"), kImageTypeJpeg);
  EXPECT_EQ(image_type_of(u"photo.JPeG"), kImageTypeJpeg);
  EXPECT_EQ(image_type_of(u"pic.PNG"), kImageTypePng);
  EXPECT_EQ(sound_type_of(u"pic.PNG"), kSoundTypeNone);
}

TEST(MediaTypes, SoundExtensionsIgnoreCase) {
  EXPECT_EQ(sound_type_of(u"house.wav"), kSoundTypeWav);
  EXPECT_EQ(sound_type_of(u"!%house.OGG"), kSoundTypeOgg);
  EXPECT_EQ(image_type_of(u"house.ogg"), kImageTypeNone);
}

TEST(MediaTypes, OnlyTheTextAfterTheLastDotCounts) {
  EXPECT_EQ(image_type_of(u"archive.png.gz"), kImageTypeNone);
  EXPECT_EQ(image_type_of(u"archive.tar.gz"), kImageTypeNone);
  EXPECT_EQ(image_type_of(u"dir.png\\pic.gif"), kImageTypeGif);
  EXPECT_EQ(sound_type_of(u"a.wav.ogg"), kSoundTypeOgg);
}

TEST(MediaTypes, NoExtensionMeansNoType) {
  EXPECT_EQ(image_type_of(u"pic."), kImageTypeNone);
  EXPECT_EQ(image_type_of(u"pic"), kImageTypeNone);
  EXPECT_EQ(image_type_of(u""), kImageTypeNone);
  EXPECT_EQ(sound_type_of(u"wav"), kSoundTypeNone);
  EXPECT_EQ(image_type_of(u"png."), kImageTypeNone);
}

TEST(MediaTypes, NearMissesHaveNoType) {
  EXPECT_EQ(image_type_of(u"a.pn"), kImageTypeNone);
  EXPECT_EQ(image_type_of(u"a.pngx"), kImageTypeNone);
  EXPECT_EQ(image_type_of(u"a.jpe"), kImageTypeNone);
  EXPECT_EQ(sound_type_of(u"a.wave"), kSoundTypeNone);
  // A non-ASCII letter that folds to nothing ASCII never matches.
  EXPECT_EQ(image_type_of(u"a.\u0440ng"), kImageTypeNone);
}

}  // namespace
}  // namespace lexora
