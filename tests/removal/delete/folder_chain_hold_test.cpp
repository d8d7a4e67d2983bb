// The hold on a directory and the folders above it. While it lasts Windows refuses
// to rename any of them; where a rename cannot be refused (the POSIX stand-in),
// the comparison through the handles notices it. Runs on both builds.
#include "removal/delete/folder_chain_hold.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qiv::removal::FolderChainHold;

std::wstring WindowsPath(const fs::path& path) {
#ifdef _WIN32
  return fs::absolute(path).make_preferred().wstring();
#else
  std::wstring text = L"Z:" + fs::absolute(path).wstring();
  for (wchar_t& unit : text) {
    if (unit == L'/') unit = L'\\';
  }
  return text;
#endif
}

class FolderChainHoldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    base_ = fs::temp_directory_path() / (std::string("qiv-hold-") + info->name());
    fs::remove_all(base_);
    fs::create_directories(Game() / "data");
    std::ofstream(Game() / "data" / "level.pak") << "pak";
    fs::create_directories(base_ / "decoy");
    std::ofstream(base_ / "decoy" / "canary.txt") << "keep";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(base_, ignored);
  }
  fs::path Game() const { return base_ / "Parent" / "Title"; }

  fs::path base_;
};

TEST_F(FolderChainHoldTest, HeldFoldersCannotBeSwappedUnnoticed) {
  const struct {
    const char* name;
    fs::path (*target)(const fs::path& game);
    bool decoyInPlace;  // another folder moved into the freed name
  } swaps[] = {
      {"the directory moved away", [](const fs::path& g) { return g; }, false},
      {"the directory replaced", [](const fs::path& g) { return g; }, true},
      {"its parent moved away", [](const fs::path& g) { return g.parent_path(); }, false},
      {"its parent replaced", [](const fs::path& g) { return g.parent_path(); }, true},
  };
  for (const auto& swap : swaps) {
    SCOPED_TRACE(swap.name);
    const fs::path target = swap.target(Game());
    const fs::path away = target.string() + ".away";
    bool refused = false;
    {
      FolderChainHold hold(WindowsPath(Game()));
      ASSERT_TRUE(hold.Held());
      EXPECT_TRUE(hold.Unchanged());
      std::error_code error;
      fs::rename(target, away, error);
      refused = static_cast<bool>(error);
      if (!refused && swap.decoyInPlace) fs::rename(base_ / "decoy", target);
      // Either the system refused the swap, or the hold notices it.
      EXPECT_EQ(hold.Unchanged(), refused);
    }
#ifdef _WIN32
    EXPECT_TRUE(refused);
#endif
    // Once the hold ends, nothing stands in the way any more; put things back.
    if (!refused) {
      if (swap.decoyInPlace) fs::rename(target, base_ / "decoy");
      fs::rename(away, target);
    }
    EXPECT_TRUE(fs::exists(base_ / "decoy" / "canary.txt"));
    EXPECT_TRUE(fs::exists(Game() / "data" / "level.pak"));
  }
}

TEST_F(FolderChainHoldTest, OnlyTheEmptiedHeldDirectoryIsRemoved) {
  {
    FolderChainHold hold(WindowsPath(Game()));
    ASSERT_TRUE(hold.Held());
    hold.RemoveEmptyDirectory();  // still holds its files
  }
  EXPECT_TRUE(fs::exists(Game() / "data" / "level.pak"));
  fs::remove_all(Game() / "data");
  {
    FolderChainHold hold(WindowsPath(Game()));
    ASSERT_TRUE(hold.Held());
    hold.RemoveEmptyDirectory();
  }
  EXPECT_FALSE(fs::exists(Game()));
  EXPECT_TRUE(fs::exists(Game().parent_path()));

  // Nothing to hold: a missing folder, a file, a path without a folder name, and
  // (where a test can make one) a link on the way.
  std::vector<std::wstring> refused = {WindowsPath(Game()),
                                       WindowsPath(base_ / "decoy" / "canary.txt"), L"C:\\",
                                       L"relative\\path", WindowsPath(base_) + L"\\"};
#ifndef _WIN32
  fs::create_directory_symlink(base_ / "decoy", base_ / "Linked");
  fs::create_directories(base_ / "decoy" / "Title");
  refused.push_back(WindowsPath(base_ / "Linked"));
  refused.push_back(WindowsPath(base_ / "Linked" / "Title"));
#endif
  for (const std::wstring& path : refused) {
    FolderChainHold hold(path);
    EXPECT_FALSE(hold.Held());
    EXPECT_FALSE(hold.Unchanged());
  }
}

}  // namespace
