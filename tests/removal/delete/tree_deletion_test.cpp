// The deletion through handles: everything inside goes, links as links and never
// what they lead to, whatever the names and depth; an entry swapped once the walk
// has listed its folder is not followed; what is in use waits in a fresh quarantine
// for the restart, or stays unscheduled where it cannot move.
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
#include "removal/delete/quarantine.h"
#include "removal/delete/remainder_protection.h"

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
    qiv::posix::SetImageHold(nullptr);
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

// A file another program holds open, in a game on a drive (C: is
// $QIV_DRIVE_ROOT/c): held as a running image holds its file (deletion shared), it
// moves into a fresh quarantine at the drive's root and only the quarantine's names
// are scheduled, so its folders go at once; held without sharing deletion, it stays
// where it is, unscheduled, and its folders are closed to all but the administrators.
TEST_F(TreeDeletionTest, WhatIsInUseGoesIntoAFreshQuarantineOrStaysUnscheduled) {
  const struct {
    const char* name;
    bool sharesDeletion;
  } rows[] = {{"held as a running image", true}, {"held without sharing deletion", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string drives = At(std::string("drives-") + (row.sharesDeletion ? "a" : "b"));
    MakeDirs({drives.substr(scratch_.Path().size() + 1)});
    ScopedEnv driveRoot("QIV_DRIVE_ROOT", drives.c_str());
    const std::string c = drives + "/c";
    ASSERT_EQ(mkdir(c.c_str(), 0755), 0);
    for (const char* dir : {"/Games", "/Games/Title", "/Games/Title/bin", "/Games/Title/data",
                            "/QivDepends.Pending", "/QivDepends.Pending.0"}) {
      ASSERT_EQ(mkdir((c + dir).c_str(), 0777), 0) << dir;
    }
    for (const char* file : {"/Games/Title/bin/overlay.dll", "/Games/Title/bin/game.exe",
                             "/Games/Title/data/level.pak"}) {
      WriteFile(c + file, "x");
    }
    const std::wstring heldName = LR"(\\?\C:\Games\Title\bin\overlay.dll)";
    const auto isHeld = [&](const std::wstring& target) { return target == heldName; };
    if (row.sharesDeletion) {
      qiv::posix::SetImageHold(isHeld);
    } else {
      qiv::posix::SetDeletionRefusal(isHeld);
    }
    const std::string pending = drives + "/pending.txt";
    ScopedEnv record("QIV_PENDING_DELETIONS", pending.c_str());
    std::wstring quarantinePath;
    {
      const std::wstring path = LR"(\\?\C:\Games\Title)";
      const HANDLE game =
          CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      ASSERT_NE(game, INVALID_HANDLE_VALUE);
      qiv::removal::Quarantine quarantine(game, path);
      qiv::removal::TreeDeletionReport report =
          qiv::removal::DeleteTreeInside(game, path, &quarantine);
      if (!row.sharesDeletion) {
        EXPECT_EQ(report.remainingFiles, std::vector<std::wstring>{heldName});
        EXPECT_TRUE(qiv::removal::ProtectRemainder(report, game, path));
      } else {
        EXPECT_TRUE(report.Empty());
      }
      EXPECT_TRUE(quarantine.ScheduleForRestart());
      quarantinePath = quarantine.Path();
      CloseHandle(game);
    }
    qiv::posix::SetImageHold(nullptr);
    qiv::posix::SetDeletionRefusal(nullptr);
    // The folders planted under guessable names were not used.
    EXPECT_TRUE(Empty(c + "/QivDepends.Pending") && Empty(c + "/QivDepends.Pending.0"));
    EXPECT_FALSE(Exists(c + "/Games/Title/bin/game.exe") || Exists(c + "/Games/Title/data"));
    if (row.sharesDeletion) {
      EXPECT_TRUE(Empty(c + "/Games/Title"));
      ASSERT_EQ(quarantinePath.rfind(LR"(\\?\C:\QivDepends.Pending.)", 0), 0u);
      const std::string quarantine = c + "/" + qiv::posix::Utf16ToUtf8(quarantinePath.substr(7));
      EXPECT_EQ(ReadFile(quarantine + "/1"), "x");
      struct stat info;
      ASSERT_EQ(stat(quarantine.c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 0777, 0700u);
      EXPECT_EQ(info.st_uid, geteuid());
      // Its entries, then the quarantine; nothing in the game's folder.
      const std::string literal = qiv::posix::Utf16ToUtf8(quarantinePath);
      EXPECT_EQ(ReadFile(pending), literal + "\\1\n" + literal + "\n");
    } else {
      EXPECT_TRUE(quarantinePath.empty());
      EXPECT_EQ(ReadFile(c + "/Games/Title/bin/overlay.dll"), "x");
      EXPECT_FALSE(Exists(pending));
      for (const char* folder : {"/Games/Title", "/Games/Title/bin"}) {
        struct stat info;
        ASSERT_EQ(stat((c + folder).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 077, 0u) << folder;
        EXPECT_EQ(info.st_uid, geteuid()) << folder;
      }
    }
  }
}

}  // namespace

#endif  // _WIN32
