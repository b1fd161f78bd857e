#include "platform/library.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "testing/library_folder.h"

namespace lexora {
namespace {

namespace fs = std::filesystem;

// The folder the running C library was loaded from, as the loader found it.
std::string folder_of_libc() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&::getpid), &info) == 0 || info.dli_fname == nullptr)
    return {};
  return fs::canonical(info.dli_fname).parent_path().string();
}

class LibraryTest : public ::testing::Test {
 protected:
  LibraryTest() {
    char pattern[] = "/tmp/lexora-library-XXXXXX";
    dir_ = ::mkdtemp(pattern);
  }
  ~LibraryTest() override {
    set_library_folder_for_testing("");
    fs::remove_all(dir_);
  }
  // A real shared library copied into the test's folder under `name`.
  void install(const std::string& name) {
    fs::copy_file(fs::path(folder_of_libc()) / "libm.so.6", fs::path(dir_) / name,
                  fs::copy_options::overwrite_existing);
  }
  std::string dir_;
};

TEST_F(LibraryTest, FoldersStartWithTheProgramFolderThenTheLoaderSearchPath) {
  const std::vector<std::string>& folders = library_folders();
  ASSERT_FALSE(folders.empty());
  EXPECT_EQ(folders.front(), fs::canonical(program_folder()).string());
  // The system folder the C library came from is searched.
  EXPECT_NE(std::find(folders.begin(), folders.end(), folder_of_libc()), folders.end());
  // Each folder once, and every one of them there.
  EXPECT_EQ(std::set<std::string>(folders.begin(), folders.end()).size(), folders.size());
  for (const std::string& folder : folders) EXPECT_TRUE(fs::is_directory(folder)) << folder;
}

TEST_F(LibraryTest, BareNameIsFoundWhereTheLoaderFindsIt) {
  std::unique_ptr<Library> library = Library::load("libm.so.6");
  ASSERT_TRUE(library);
  EXPECT_EQ(fs::path(library->path()).parent_path().string(), folder_of_libc());
  EXPECT_NE(library->symbol("cos"), nullptr);
  EXPECT_EQ(library->symbol("no_such_export"), nullptr);
  EXPECT_FALSE(Library::load("libnot-installed-anywhere.so"));
}

TEST_F(LibraryTest, OwnFolderComesFirstAndReplacesTheSearchPath) {
  install("libm.so.6");
  set_library_folder_for_testing(dir_);
  std::unique_ptr<Library> library = Library::load("libm.so.6");
  ASSERT_TRUE(library);
  EXPECT_EQ(library->path(), dir_ + "/libm.so.6");
  // Not in the own folder: the system's copy is not taken.
  EXPECT_FALSE(Library::load("libc.so.6"));
}

TEST_F(LibraryTest, MissingLibraryIsRememberedBrieflyThenLookedForAgain) {
  set_library_folder_for_testing(dir_);
  EXPECT_FALSE(Library::load("libplug.so"));
  install("libplug.so");
  // Within the recheck time the answer stands without touching the disk...
  EXPECT_FALSE(Library::load("libplug.so"));
  // ...and a fresh look (here forced) finds the new file.
  set_library_folder_for_testing(dir_);
  EXPECT_TRUE(Library::load("libplug.so"));
  // A library that is found is loaded anew each time, so its removal is
  // seen at once.
  fs::remove(fs::path(dir_) / "libplug.so");
  EXPECT_FALSE(Library::load("libplug.so"));
}

TEST_F(LibraryTest, PathWithASlashIsLoadedFromThatPathOnly) {
  install("libown.so");
  EXPECT_TRUE(Library::load(dir_ + "/libown.so"));
  EXPECT_FALSE(Library::load(dir_ + "/libother.so"));
}

}  // namespace
}  // namespace lexora
