#include "model/recent_files.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/qt/registry.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

class RecordingMenu : public RecentMenu {
 public:
  void clear() override { items.clear(); }
  void append_item(std::int32_t command_id, const std::string& label) override {
    items.emplace_back(command_id, label);
  }
  std::vector<std::pair<std::int32_t, std::string>> items{{1, "placeholder"}};
};

using Items = std::vector<std::pair<std::int32_t, std::string>>;
using Paths = std::vector<std::string>;

class RecentFilesTest : public ::testing::Test {
 protected:
  RecentFilesTest() : registry_(dir_.file("Lexora.ini")) {
    recent_.set_menu(&menu_);
    recent_.recent_set_limit(8, false);
  }
  test::TempDir dir_;
  Registry registry_;
  RecordingMenu menu_;
  RecentFiles recent_;
};

TEST(FileNamePart, CutsAtTheLastSlashWhenSomethingFollows) {
  EXPECT_EQ(file_name_part("/a/b/y.zd"), "y.zd");
  EXPECT_EQ(file_name_part("y.zd"), "y.zd");
  EXPECT_EQ(file_name_part("/a/b/"), "/a/b/");
  EXPECT_EQ(file_name_part(""), "");
  EXPECT_EQ(file_name_part("/"), "/");
}

TEST_F(RecentFilesTest, LimitThreeDropsTheOldestAndListsNewestFirst) {
  recent_.recent_set_limit(3, false);
  for (const char* p : {"/d/a.zd", "/d/b.zd", "/d/c.zd", "/d/d.zd"}) recent_.recent_add(p);
  EXPECT_EQ(recent_.paths(), (Paths{"/d/b.zd", "/d/c.zd", "/d/d.zd"}));
  EXPECT_EQ(menu_.items, (Items{{49999, "d.zd"}, {50000, "c.zd"}, {50001, "b.zd"}}));
  EXPECT_EQ(recent_.recent_path_for_command(49999), "/d/d.zd");
  EXPECT_EQ(recent_.recent_path_for_command(50001), "/d/b.zd");
  EXPECT_FALSE(recent_.recent_path_for_command(50002));
  EXPECT_FALSE(recent_.recent_path_for_command(49998));
  EXPECT_TRUE(recent_.is_recent_command(49999 + 3));
  EXPECT_FALSE(recent_.is_recent_command(49999 + 4));

  ASSERT_TRUE(recent_.recent_save(registry_, ""));
  RegistryKey key = registry_.create_key("");
  EXPECT_EQ(key.read_text("Last file0"), u"/d/b.zd");
  EXPECT_EQ(key.read_text("Last file1"), u"/d/c.zd");
  EXPECT_EQ(key.read_text("Last file2"), u"/d/d.zd");
  EXPECT_FALSE(key.read_text("Last file3"));
}

TEST_F(RecentFilesTest, ReopeningMovesToTheTopAndCaseMakesADifferentEntry) {
  for (const char* p : {"/d/a.zd", "/d/b.zd", "/d/A.zd"}) recent_.recent_add(p);
  recent_.recent_add("/d/a.zd");
  EXPECT_EQ(recent_.paths(), (Paths{"/d/b.zd", "/d/A.zd", "/d/a.zd"}));
  EXPECT_EQ(menu_.items.front(), (std::pair<std::int32_t, std::string>{49999, "a.zd"}));
  recent_.recent_remove("/d/B.zd");  // no such entry: the menu is still rebuilt
  EXPECT_EQ(recent_.paths().size(), 3u);
  recent_.recent_remove("/d/b.zd");
  EXPECT_EQ(recent_.paths(), (Paths{"/d/A.zd", "/d/a.zd"}));
  EXPECT_EQ(menu_.items.size(), 2u);
}

TEST_F(RecentFilesTest, PathWithoutFileNameShowsWhole) {
  recent_.recent_add("/media/card/");
  recent_.recent_add("");
  EXPECT_EQ(menu_.items, (Items{{49999, ""}, {50000, "/media/card/"}}));
}

TEST_F(RecentFilesTest, LoweringTheLimitKeepsTheNewestAndSavesThemNextTime) {
  for (const char* p : {"/a", "/b", "/c", "/d", "/e"}) recent_.recent_add(p);
  ASSERT_TRUE(recent_.recent_save(registry_, ""));
  recent_.recent_set_limit(2, false);
  EXPECT_EQ(recent_.paths(), (Paths{"/d", "/e"}));
  EXPECT_EQ(menu_.items.size(), 5u);  // no rebuild asked for
  recent_.recent_set_limit(2, true);
  EXPECT_EQ(menu_.items, (Items{{49999, "e"}, {50000, "d"}}));
  ASSERT_TRUE(recent_.recent_save(registry_, ""));
  RegistryKey key = registry_.create_key("");
  EXPECT_EQ(key.read_text("Last file0"), u"/d");
  EXPECT_EQ(key.read_text("Last file1"), u"/e");
  EXPECT_FALSE(key.read_text("Last file2"));  // the old indices 2..4 are gone
  EXPECT_FALSE(key.read_text("Last file4"));
  // Raising the limit brings nothing back.
  key.close();
  recent_.recent_set_limit(8, true);
  EXPECT_EQ(recent_.paths(), (Paths{"/d", "/e"}));
}

TEST_F(RecentFilesTest, ZeroOrNegativeLimitRemembersNothing) {
  recent_.recent_add("/a");
  recent_.recent_set_limit(0, true);
  EXPECT_TRUE(recent_.paths().empty());
  EXPECT_TRUE(menu_.items.empty());
  recent_.recent_add("/b");
  EXPECT_TRUE(recent_.paths().empty());
  EXPECT_TRUE(menu_.items.empty());
  EXPECT_FALSE(recent_.recent_path_for_command(49999));

  recent_.recent_set_limit(-5, true);  // not a huge unsigned limit
  EXPECT_EQ(recent_.limit(), 0u);
  recent_.recent_add("/c");
  EXPECT_TRUE(recent_.paths().empty());
  EXPECT_FALSE(recent_.is_recent_command(50000));
}

TEST_F(RecentFilesTest, LoadStopsAtTheFirstGapAndSaveLeavesWhatFollowsIt) {
  {
    RegistryKey key = registry_.create_key("");
    key.write_text("Last file0", u"/x/0.zd");
    key.write_text("Last file1", u"/x/1.zd");
    key.write_text("Last file2", u"/x/1.zd");  // duplicates are not checked
    key.write_text("Last file4", u"/x/4.zd");
  }
  recent_.recent_load(registry_, "");
  EXPECT_EQ(recent_.paths(), (Paths{"/x/0.zd", "/x/1.zd", "/x/1.zd"}));
  EXPECT_EQ(menu_.items.size(), 1u);  // loading does not rebuild the menu
  recent_.recent_add("/x/new.zd");
  ASSERT_TRUE(recent_.recent_save(registry_, ""));
  RegistryKey key = registry_.create_key("");
  EXPECT_EQ(key.read_text("Last file3"), u"/x/new.zd");
  EXPECT_EQ(key.read_text("Last file4"), u"/x/4.zd");
}

TEST_F(RecentFilesTest, LoadTakesAtMostTheLimitAndStopsAtUnreadableValues) {
  {
    RegistryKey key = registry_.create_key("");
    for (int i = 0; i < 6; ++i)
      key.write_text("Last file" + std::to_string(i), u"/p" + std::u16string(1, u'0' + i));
  }
  recent_.recent_set_limit(4, false);
  recent_.recent_load(registry_, "");
  EXPECT_EQ(recent_.paths(), (Paths{"/p0", "/p1", "/p2", "/p3"}));
  {
    RegistryKey key = registry_.create_key("");
    key.write_number("Last file1", 5);
    key.write_text("Last file3", std::u16string(kMaxRecentPathBytes / 2, u'x'));
  }
  recent_.recent_load(registry_, "");
  EXPECT_EQ(recent_.paths(), (Paths{"/p0"}));
  {
    RegistryKey key = registry_.create_key("");
    key.write_text("Last file1", u"/" + std::u16string(kMaxRecentPathBytes / 2 - 2, u'y'));
  }
  recent_.recent_load(registry_, "");
  ASSERT_EQ(recent_.paths().size(), 3u);  // the longest that fits, then the too-long one
  EXPECT_EQ(recent_.paths()[1].size(), kMaxRecentPathBytes / 2 - 1);
}

TEST_F(RecentFilesTest, NonAsciiPathsRoundTrip) {
  const std::string path = "/home/\xc3\xa9l\xc3\xa8ve/\xe8\xbe\x9e\xe5\x85\xb8 \xf0\x9f\x93\x96.zd";
  recent_.recent_add(path);
  ASSERT_TRUE(recent_.recent_save(registry_, ""));
  RecentFiles loaded;
  loaded.recent_set_limit(8, false);
  loaded.recent_load(registry_, "");
  EXPECT_EQ(loaded.paths(), (Paths{path}));
}

}  // namespace
}  // namespace lexora
