#include "platform/ansi_code_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace lexora {
namespace {

TEST(AnsiCodePage, LanguageOfTheLocaleChoosesTheCodePage) {
  EXPECT_EQ(ansi_code_page_for_locale("ru_RU.UTF-8"), 1251u);
  EXPECT_EQ(ansi_code_page_for_locale("uk_UA"), 1251u);
  EXPECT_EQ(ansi_code_page_for_locale("de_DE.UTF-8@euro"), 1252u);
  EXPECT_EQ(ansi_code_page_for_locale("en_GB.UTF-8"), 1252u);
  EXPECT_EQ(ansi_code_page_for_locale("pl_PL.UTF-8"), 1250u);
  EXPECT_EQ(ansi_code_page_for_locale("el_GR.UTF-8"), 1253u);
  EXPECT_EQ(ansi_code_page_for_locale("tr_TR.UTF-8"), 1254u);
  EXPECT_EQ(ansi_code_page_for_locale("he_IL.UTF-8"), 1255u);
  EXPECT_EQ(ansi_code_page_for_locale("ar_EG.UTF-8"), 1256u);
  EXPECT_EQ(ansi_code_page_for_locale("lt_LT.UTF-8"), 1257u);
  EXPECT_EQ(ansi_code_page_for_locale("vi_VN"), 1258u);
  EXPECT_EQ(ansi_code_page_for_locale("th_TH.UTF-8"), 874u);
  EXPECT_EQ(ansi_code_page_for_locale("ja_JP.UTF-8"), 932u);
  EXPECT_EQ(ansi_code_page_for_locale("ko_KR.UTF-8"), 949u);
  // Chinese by script, Serbian by alphabet.
  EXPECT_EQ(ansi_code_page_for_locale("zh_CN.UTF-8"), 936u);
  EXPECT_EQ(ansi_code_page_for_locale("zh_TW.UTF-8"), 950u);
  EXPECT_EQ(ansi_code_page_for_locale("zh_HK"), 950u);
  EXPECT_EQ(ansi_code_page_for_locale("sr_RS"), 1251u);
  EXPECT_EQ(ansi_code_page_for_locale("sr_RS@latin"), 1250u);
}

TEST(AnsiCodePage, UnknownOrNeutralLocaleIsWesternEuropean) {
  for (const char* name : {"", "C", "C.UTF-8", "POSIX", "xx_YY", "eo"})
    EXPECT_EQ(ansi_code_page_for_locale(name), 1252u) << name;
}

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
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

TEST(AnsiCodePage, UserLocaleIsTheFirstSetOfLcAllLcCtypeAndLang) {
  ScopedEnv all("LC_ALL", nullptr), ctype("LC_CTYPE", nullptr), lang("LANG", "ru_RU.UTF-8");
  EXPECT_EQ(ansi_code_page(), 1251u);
  {
    ScopedEnv over("LC_CTYPE", "el_GR.UTF-8");
    EXPECT_EQ(ansi_code_page(), 1253u);
    ScopedEnv empty("LC_ALL", "");
    EXPECT_EQ(ansi_code_page(), 1253u);
    ScopedEnv first("LC_ALL", "pl_PL");
    EXPECT_EQ(ansi_code_page(), 1250u);
  }
  ScopedEnv none("LANG", nullptr);
  EXPECT_EQ(ansi_code_page(), 1252u);
}

}  // namespace
}  // namespace lexora
