#include "model/settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QStandardPaths>

#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "model/recent_files.h"
#include "platform/messages.h"
#include "platform/qt/registry.h"
#include "platform/system_calls.h"
#include "testing/recording_message_sink.h"
#include "testing/test_files.h"

namespace lexora {
namespace {

const SystemFont kFont{"Test Face", 17};

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() : registry_(dir_.file("config/Lexora/Lexora.ini")) {}

  test::TempDir dir_;
  Registry registry_;
};

TEST_F(SettingsTest, FreshRegistryGivesTheDefaults) {
  Settings settings(kFont);
  RecentFiles recent;
  recent.recent_add("/stale");  // limit 0 so far: nothing kept
  load_settings(registry_, settings, recent);
  EXPECT_EQ(settings.text_size, 2);
  EXPECT_EQ(settings.n_recent_files, 8);
  EXPECT_EQ(settings.arrow_redefine, 0);
  EXPECT_EQ(settings.find_cb, 0);
  EXPECT_TRUE(settings.g_use_lumira_profile);
  EXPECT_FALSE(settings.g_use_colors_profile);
  EXPECT_FALSE(settings.g_html_integral_paging);
  EXPECT_FALSE(settings.g_allow_mult_dict);
  EXPECT_FALSE(settings.g_show_only_card);
  EXPECT_EQ(settings.main_font, "Test Face");
  EXPECT_EQ(settings.main_font_size, 17);
  EXPECT_EQ(settings.font_res, "");
  const std::string documents =
      QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
  EXPECT_EQ(settings.g_mr_dict_path, documents + "/dict_mr.pdb");
  EXPECT_TRUE(settings.g_smart_menu);
  EXPECT_EQ(recent.limit(), 8u);
  EXPECT_TRUE(recent.paths().empty());
  // Defaults before any load are the same.
  Settings before(kFont);
  EXPECT_EQ(before.main_font_size, 17);
  EXPECT_EQ(before.smart_find, 1);
  EXPECT_EQ(before.n_recent_files, 8);
}

TEST_F(SettingsTest, SaveWritesEachFormAndLoadReadsItBack) {
  Settings saved(kFont);
  saved.text_size = 5;
  saved.n_recent_files = 3;
  saved.arrow_redefine = 1;
  saved.find_cb = 1;
  saved.g_use_lumira_profile = false;
  saved.g_use_colors_profile = true;
  saved.g_html_integral_paging = true;
  saved.g_allow_mult_dict = true;
  saved.g_show_only_card = true;
  saved.main_font = "Noto Serif \xe2\x80\x94 Bold";
  saved.main_font_size = -20;
  saved.font_res = "/usr/share/fonts/x.ttf";
  saved.g_mr_dict_path = "/home/u/cards.pdb";
  saved.g_smart_menu = false;
  RecentFiles recent;
  recent.recent_set_limit(3, false);
  for (const char* p : {"/a.zd", "/b.zd", "/c.zd", "/d.zd"}) recent.recent_add(p);
  save_settings(registry_, saved, recent);

  Settings loaded(kFont);
  RecentFiles loaded_recent;
  load_settings(registry_, loaded, loaded_recent);
  EXPECT_EQ(loaded.text_size, 5);
  EXPECT_EQ(loaded.n_recent_files, 3);
  EXPECT_EQ(loaded.arrow_redefine, 1);
  EXPECT_EQ(loaded.find_cb, 1);
  EXPECT_FALSE(loaded.g_use_lumira_profile);
  EXPECT_TRUE(loaded.g_use_colors_profile);
  EXPECT_TRUE(loaded.g_html_integral_paging);
  EXPECT_TRUE(loaded.g_allow_mult_dict);
  EXPECT_TRUE(loaded.g_show_only_card);
  EXPECT_EQ(loaded.main_font, saved.main_font);
  EXPECT_EQ(loaded.main_font_size, -20);
  EXPECT_EQ(loaded.font_res, saved.font_res);
  EXPECT_EQ(loaded.g_mr_dict_path, saved.g_mr_dict_path);
  EXPECT_FALSE(loaded.g_smart_menu);
  EXPECT_EQ(loaded_recent.limit(), 3u);
  EXPECT_EQ(loaded_recent.paths(), (std::vector<std::string>{"/b.zd", "/c.zd", "/d.zd"}));

  RegistryKey key = registry_.create_key("");
  const auto form = [&](std::string_view name, RegistryType type, std::uint32_t size) {
    RegistryType actual_type{};
    std::uint32_t actual_size = 0;
    ASSERT_TRUE(key.query_value(name, &actual_type, nullptr, &actual_size)) << name;
    EXPECT_EQ(actual_type, type) << name;
    EXPECT_EQ(actual_size, size) << name;
  };
  for (const SettingField& field : global_setting_fields()) {
    if (field.form == SettingForm::kNumber) form(field.name, RegistryType::kNumber, 4);
    if (field.form == SettingForm::kFlag) form(field.name, RegistryType::kNumber, 1);
  }
  form("FontRes", RegistryType::kText, (22 + 1) * 2);
  form("MainFont", RegistryType::kText, (11 + 1 + 5 + 1) * 2);  // the dash is one unit
}

TEST_F(SettingsTest, UnreadableValuesTakeTheirDefaultsButFontResKeepsItsText) {
  {
    RegistryKey key = registry_.create_key("");
    for (const SettingField& field : global_setting_fields()) {
      if (field.form == SettingForm::kText) {
        key.write_number(field.name, 1);
      } else {
        key.write_text(field.name, u"1");
      }
    }
  }
  Settings settings(kFont);
  settings.text_size = 4;
  settings.g_use_lumira_profile = false;
  settings.main_font = "Current";
  settings.font_res = "/current.ttf";
  settings.g_mr_dict_path = "/current.pdb";
  RecentFiles recent;
  load_settings(registry_, settings, recent);
  EXPECT_EQ(settings.text_size, 2);
  EXPECT_TRUE(settings.g_use_lumira_profile);
  EXPECT_EQ(settings.main_font, "Test Face");
  EXPECT_EQ(settings.main_font_size, 17);
  EXPECT_EQ(settings.font_res, "/current.ttf");
  EXPECT_EQ(settings.g_mr_dict_path, Settings(kFont).g_mr_dict_path);
  EXPECT_EQ(recent.limit(), 8u);
}

TEST_F(SettingsTest, HandEditedFileGivesDefaultsForWhatCannotBeRead) {
  std::filesystem::create_directories(dir_.file("config/Lexora"));
  test::write_file(
      registry_.file_path(),
      std::string("[General]\n"
                  "Text%20size=dword:00000004\n"
                  "N%20recent%20files=dword:fffffffe\n"  // -2: remember nothing
                  "Arrow%20redefine=sz:1\n"
                  "find_cb=dword:999999999999\n"
                  "g_use_lumira_profile=hex(11):00\n"
                  "g_allow_mult_dict=dword:00000001\n"  // a number where a flag belongs
                  "MainFont=Hand Written Face\n"
                  "MainFont%20Size=twelve\n"
                  "Last%20file0=sz:/x.zd\n"
                  "[y.zd]\n"
                  "smart_find=flag:0\n"
                  "last_word=@Rect(1 2 3 4)\n"
                  "last_word_id=dword:0000000"));
  Settings settings(kFont);
  RecentFiles recent;
  load_settings(registry_, settings, recent);
  EXPECT_EQ(settings.text_size, 4);
  EXPECT_EQ(settings.n_recent_files, -2);
  EXPECT_EQ(recent.limit(), 0u);
  EXPECT_TRUE(recent.paths().empty());
  EXPECT_EQ(settings.arrow_redefine, 0);
  EXPECT_EQ(settings.find_cb, 0);
  EXPECT_TRUE(settings.g_use_lumira_profile);
  EXPECT_TRUE(settings.g_allow_mult_dict);
  EXPECT_EQ(settings.main_font, "Hand Written Face");
  EXPECT_EQ(settings.main_font_size, 17);

  read_dictionary_values(registry_, settings, "y.zd");
  EXPECT_EQ(settings.smart_find, 0);
  EXPECT_EQ(settings.last_word, 0);
  EXPECT_EQ(settings.last_word_id, 0);

  // The next save writes sound values over the damaged ones.
  settings.n_recent_files = 8;
  save_settings(registry_, settings, recent);
  Settings again(kFont);
  RecentFiles again_recent;
  load_settings(registry_, again, again_recent);
  EXPECT_EQ(again.find_cb, 0);
  EXPECT_EQ(again.n_recent_files, 8);
  EXPECT_EQ(again.main_font, "Hand Written Face");
}

// --- several processes ---

std::string helper_path() {
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
  return (self.parent_path() / "settings_save_helper").string();
}

pid_t start_helper(const std::string& file, int tag, int count) {
  const std::string helper = helper_path();
  const std::string tag_text = std::to_string(tag);
  const std::string count_text = std::to_string(count);
  const pid_t pid = fork();
  if (pid == 0) {
    execl(helper.c_str(), helper.c_str(), file.c_str(), tag_text.c_str(), count_text.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

int wait_for(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Checks that the file holds exactly one whole save of the helper; returns
// its tag (0 when nothing was saved yet).
int expect_one_whole_save(const std::string& file) {
  Registry registry(file);
  Settings settings(kFont);
  RecentFiles recent;
  load_settings(registry, settings, recent);
  if (settings.text_size == 2 && recent.paths().empty()) return 0;
  const std::int32_t n = settings.text_size;
  const int tag = n / 100000;
  const int g = n % 100000;
  const std::string text = std::to_string(tag) + "-" + std::to_string(g);
  EXPECT_EQ(settings.arrow_redefine, n);
  EXPECT_EQ(settings.find_cb, n);
  EXPECT_EQ(settings.main_font_size, n);
  EXPECT_EQ(settings.main_font, "face " + text);
  EXPECT_EQ(settings.font_res, "/fonts/" + text + ".ttf");
  EXPECT_EQ(settings.g_mr_dict_path, "/cards/" + text + ".pdb");
  EXPECT_EQ(settings.g_allow_mult_dict, g % 2 == 0);
  std::vector<std::string> expected;
  for (int i = 0; i <= g % 8; ++i) {
    expected.push_back("/" + std::to_string(tag) + "/" + std::to_string(g) + "/" +
                       std::to_string(i));
  }
  EXPECT_EQ(recent.paths(), expected);
  RegistryKey key = registry.create_key("");
  EXPECT_FALSE(key.read_text("Last file" + std::to_string(expected.size())));
  return tag;
}

TEST_F(SettingsTest, TwoProcessesSavingAtOnceLeaveOneWholeSave) {
  const std::string file = registry_.file_path();
  ASSERT_TRUE(std::filesystem::exists(helper_path())) << helper_path();
  const pid_t first = start_helper(file, 1, 40);
  const pid_t second = start_helper(file, 2, 40);
  EXPECT_EQ(wait_for(first), 0);
  EXPECT_EQ(wait_for(second), 0);
  const int tag = expect_one_whole_save(file);
  EXPECT_TRUE(tag == 1 || tag == 2);
  // Both wrote the shared dictionary key last with their final generation.
  Settings settings(kFont);
  read_dictionary_values(registry_, settings, "shared.zd");
  EXPECT_TRUE(settings.last_word_id == 100039 || settings.last_word_id == 200039)
      << settings.last_word_id;
  EXPECT_EQ(settings.smart_find, settings.last_word_id);
  // Nothing is left beside the file but its lock while it is held.
  for (const auto& entry : std::filesystem::directory_iterator(dir_.file("config/Lexora"))) {
    EXPECT_EQ(entry.path().filename(), "Lexora.ini");
  }
}

TEST_F(SettingsTest, ProcessKilledWhileSavingLeavesTheLastWholeSave) {
  const std::string file = registry_.file_path();
  ASSERT_TRUE(std::filesystem::exists(helper_path())) << helper_path();
  std::mt19937 random(20261207);
  std::vector<pid_t> killed;
  for (int round = 0; round < 8; ++round) {
    const pid_t pid = start_helper(file, 3 + round, 100000);
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 150));
    ::kill(pid, SIGKILL);
    wait_for(pid);
    killed.push_back(pid);
    const int tag = expect_one_whole_save(file);
    // A process killed before its first save leaves an earlier one's.
    EXPECT_TRUE(tag == 0 || (tag >= 3 && tag <= 3 + round)) << tag << " " << round;
  }
  // The dead processes' lock does not stop the next save.
  Settings settings(kFont);
  settings.text_size = 1;
  RecentFiles recent;
  EXPECT_TRUE(save_settings(registry_, settings, recent));
  Settings loaded(kFont);
  load_settings(registry_, loaded, recent);
  EXPECT_EQ(loaded.text_size, 1);
  // Nor does anything the dead processes left outlast that save: no
  // temporary file beside the store, no private copy in the temporary folder.
  for (const auto& entry : std::filesystem::directory_iterator(dir_.file("config/Lexora"))) {
    EXPECT_EQ(entry.path().filename(), "Lexora.ini");
  }
  for (pid_t pid : killed) {
    const QString pattern = QStringLiteral("lexora-registry-%1-*").arg(pid);
    EXPECT_TRUE(QDir(QDir::tempPath()).entryList({pattern}, QDir::Dirs).isEmpty()) << pid;
  }
}

// A save that cannot be written says so through the message layer, names
// the file, and leaves the old file whole.
TEST_F(SettingsTest, FailedSaveIsReportedAndKeepsTheOldFile) {
  Settings settings(kFont);
  RecentFiles recent;
  ASSERT_TRUE(save_settings(registry_, settings, recent));
  const auto before = test::read_file(registry_.file_path());
  settings.text_size = 4;
  RecordingMessageSink messages;
  bool saved = true;
  {
    // The save's first system call (reading the file) fails with EACCES.
    sys::ScopedFault fault(1, EACCES);
    saved = save_settings(registry_, settings, recent);
  }
  EXPECT_FALSE(saved);
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_NE(messages.texts()[0].find(registry_.file_path()), std::string::npos)
      << messages.texts()[0];
  EXPECT_EQ(test::read_file(registry_.file_path()), before);
}

}  // namespace
}  // namespace lexora
