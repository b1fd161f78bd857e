// Loads the built libcardbank.so the way callers do and calls its export.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "cardbank/cardbank.h"
#include "cardbank/cardbank_test_util.h"

namespace lexora::cardbank {
namespace {

class LoadedLibrary {
 public:
  LoadedLibrary() : handle_(::dlopen(LEXORA_CARDBANK_LIBRARY, RTLD_NOW | RTLD_LOCAL)) {}
  ~LoadedLibrary() {
    if (handle_) ::dlclose(handle_);
  }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;
  void* symbol(const char* name) const { return handle_ ? ::dlsym(handle_, name) : nullptr; }

 private:
  void* handle_;
};

TEST(MRNewRecordTest, ExportAddsThenReportsThePresentWord) {
  LoadedLibrary library;
  const auto add =
      reinterpret_cast<MRNewRecordFunction>(library.symbol(LEXORA_CARDBANK_EXPORT_NAME));
  ASSERT_NE(add, nullptr);
  testing::TempFolder folder;
  const std::string path = folder.file("cards.pdb");
  const std::u16string path16(path.begin(), path.end());
  EXPECT_EQ(add(path16.c_str(), u"house", u"haʊs", u"дом"), 1);
  EXPECT_EQ(add(path16.c_str(), u"house", u"", u"здание"), 0);
  EXPECT_EQ(testing::read_bytes(path).size(), 100u + (5 + 4 + 3 + 4) * 2);
}

TEST(MRNewRecordTest, NullArgumentsFail) {
  LoadedLibrary library;
  const auto add =
      reinterpret_cast<MRNewRecordFunction>(library.symbol(LEXORA_CARDBANK_EXPORT_NAME));
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(nullptr, u"w", u"", u"t"), -1);
  EXPECT_EQ(add(u"/tmp/x.pdb", nullptr, u"", u"t"), -1);
  EXPECT_EQ(add(u"/tmp/x.pdb", u"w", nullptr, u"t"), -1);
  EXPECT_EQ(add(u"/tmp/x.pdb", u"w", u"", nullptr), -1);
}

}  // namespace
}  // namespace lexora::cardbank
