// The deletion through handles: everything inside goes, links as links and never
// what they lead to, whatever the names and depth; an entry swapped once the walk
// has listed its folder is not followed; what stays is scheduled for the restart
// only after its folders were closed to everyone else.
#ifndef _WIN32

#include "removal/delete/tree_deletion.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/deletion_hooks.h"
#include "platform/posix/scratch.h"
#include "platform/posix/utf.h"
#include "removal/delete/remainder_schedule.h"

namespace {

using qiv::testing::Exists;
using qiv::testing::ReadFile;
using qiv::testing::ScopedEnv;
using qiv::testing::ScratchDir;
using qiv::testing::WriteFile;

std::wstring Windows(const std::string& path) {
  return L"\\\\?\\" + qiv::testing::WindowsPath(path);
}

struct Held {
  explicit Held(const std::string& path)
      : path(Windows(path)),
        handle(CreateFileW(this->path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)) {}
  ~Held() { CloseHandle(handle); }
  std::wstring path;
  HANDLE handle;
};

bool Empty(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_empty(path, error) && !error;
}

std::function<void(const std::wstring&)> listingAction;
void OnListing(const std::wstring& folder) {
  if (listingAction) listingAction(folder);
}

class TreeDeletionTest : public ::testing::Test {
 public:
  std::string At(const std::string& name) const { return scratch_.File(name); }
  void MakeDirs(const std::vector<std::string>& dirs) {
    for (const std::string& dir : dirs) ASSERT_EQ(mkdir(At(dir).c_str(), 0755), 0) << dir;
  }

 protected:
  void SetUp() override {
    for (const char* dir : {"outside", "outside/sub", "game"}) {
      ASSERT_EQ(mkdir(At(dir).c_str(), 0755), 0) << dir;
    }
    WriteFile(At("outside/keep.txt"), "keep");
    WriteFile(At("outside/sub/keep.txt"), "keep");
  }
  void TearDown() override {
    qiv::removal::SetListingObserver(nullptr);
    qiv::posix::SetDeletionRefusal(nullptr);
    listingAction = nullptr;
    EXPECT_EQ(ReadFile(At("outside/keep.txt")), "keep");
    EXPECT_EQ(ReadFile(At("outside/sub/keep.txt")), "keep");
  }
  ScratchDir scratch_;
};

TEST_F(TreeDeletionTest, EverythingInsideGoesAndNothingOutside) {
  const struct {
    const char* name;
    std::function<void(TreeDeletionTest&)> make;
  } trees[] = {
      {"links of every kind, at any depth",
       [](TreeDeletionTest& t) {
         t.MakeDirs({"game/data", "game/deep", "game/deep/a", "game/Dir "});
         WriteFile(t.At("game/data/level.pak"), "pak");
         ASSERT_EQ(symlink(t.At("outside").c_str(), t.At("game/dirlink").c_str()), 0);
         ASSERT_EQ(symlink(t.At("outside/keep.txt").c_str(), t.At("game/data/filelink").c_str()),
                   0);
         ASSERT_EQ(symlink(t.At("nowhere").c_str(), t.At("game/data/dangling").c_str()), 0);
         ASSERT_EQ(symlink("../../../outside", t.At("game/deep/a/up").c_str()), 0);
         ASSERT_EQ(symlink(t.At("outside").c_str(), t.At("game/Dir /link. ").c_str()), 0);
         ASSERT_EQ(link(t.At("outside/keep.txt").c_str(), t.At("game/hard").c_str()), 0);
       }},
      {"names ending in a dot or a blank, beside their plain neighbours",
       [](TreeDeletionTest& t) {
         t.MakeDirs({"game/Save.", "game/Save", "game/Mods ", "game/Mods"});
         for (const char* file : {"game/Save./slot.", "game/Save/slot", "game/Mods /a ",
                                  "game/readme.", "game/readme"}) {
           WriteFile(t.At(file), "x");
         }
       }},
      {"read-only files and a path far longer than MAX_PATH",
       [](TreeDeletionTest& t) {
         std::string deep = "game";
         for (int level = 0; level < 40; ++level) {
           deep += "/engine-assets-folder-" + std::to_string(level);
           t.MakeDirs({deep});
         }
         WriteFile(t.At(deep + "/texture.dds"), "x");
         WriteFile(t.At("game/locked.cfg"), "x");
         ASSERT_EQ(chmod(t.At("game/locked.cfg").c_str(), 0444), 0);
         ASSERT_EQ(chmod(t.At(deep + "/texture.dds").c_str(), 0444), 0);
       }},
  };
  for (const auto& tree : trees) {
    tree.make(*this);
    {
      Held game(At("game"));
      ASSERT_NE(game.handle, INVALID_HANDLE_VALUE);
      const qiv::removal::TreeDeletionReport report =
          qiv::removal::DeleteTreeInside(game.handle, game.path);
      EXPECT_TRUE(report.Empty()) << tree.name << ": " << report.remainingFiles.size() << " files, "
                                  << report.remainingFolders.size() << " folders";
    }
    EXPECT_TRUE(Empty(At("game"))) << tree.name;
  }
  EXPECT_FALSE(Exists(At("nowhere")));
}

// Once a folder has been listed, a subfolder is renamed and a link to another
// tree put in its place: the link goes as a link and the renamed folder goes too.
TEST_F(TreeDeletionTest, AFolderSwappedForALinkAfterTheListingIsNotFollowed) {
  MakeDirs({"game/sub", "game/sub/inner"});
  WriteFile(At("game/sub/inner/f.dat"), "game");
  bool swapped = false;
  listingAction = [&](const std::wstring& folder) {
    if (folder != Windows(At("game")) || std::exchange(swapped, true)) return;
    ASSERT_EQ(rename(At("game/sub").c_str(), At("game/moved").c_str()), 0);
    ASSERT_EQ(symlink(At("outside").c_str(), At("game/sub").c_str()), 0);
  };
  qiv::removal::SetListingObserver(OnListing);
  {
    Held game(At("game"));
    const qiv::removal::TreeDeletionReport report =
        qiv::removal::DeleteTreeInside(game.handle, game.path);
    EXPECT_TRUE(report.remainingFiles.empty() && report.remainingFolders.empty());
    EXPECT_EQ(report.changedEntries, 1u);
  }
  EXPECT_TRUE(Empty(At("game")));
}

TEST_F(TreeDeletionTest, WhatIsInUseStaysAndIsScheduledAfterItsFoldersAreClosed) {
  MakeDirs({"game/bin", "game/bin/plugins", "game/data"});
  for (const char* file : {"game/bin/overlay.dll", "game/bin/game.exe", "game/bin/plugins/a.dll",
                           "game/data/level.pak"}) {
    WriteFile(At(file), "x");
  }
  const std::wstring held = Windows(At("game/bin/overlay.dll"));
  qiv::posix::SetDeletionRefusal([&](const std::wstring& target) { return target == held; });
  const std::string pending = At("pending.txt");
  for (const bool allowed : {false, true}) {
    ScopedEnv record("QIV_PENDING_DELETIONS", allowed ? pending.c_str() : nullptr);
    Held game(At("game"));
    qiv::removal::TreeDeletionReport report =
        qiv::removal::DeleteTreeInside(game.handle, game.path);
    EXPECT_EQ(report.remainingFiles, std::vector<std::wstring>{held});
    ASSERT_EQ(report.remainingFolders.size(), 1u);
    EXPECT_EQ(qiv::removal::ScheduleRemainder(report, game.handle, game.path), allowed);
  }
  // Everything else went at once.
  EXPECT_TRUE(Exists(At("game/bin/overlay.dll")));
  EXPECT_FALSE(Exists(At("game/bin/game.exe")) || Exists(At("game/bin/plugins")) ||
               Exists(At("game/data")));
  // The file, then its folders deepest first, the directory last.
  EXPECT_EQ(ReadFile(pending), qiv::posix::Utf16ToUtf8(held) + "\n" +
                                   qiv::posix::Utf16ToUtf8(Windows(At("game/bin"))) + "\n" +
                                   qiv::posix::Utf16ToUtf8(Windows(At("game"))) + "\n");
  // Those folders are closed to everyone but the administrators.
  for (const char* folder : {"game", "game/bin"}) {
    struct stat info;
    ASSERT_EQ(stat(At(folder).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u) << folder;
  }
}

}  // namespace

#endif  // _WIN32
