// Links inside an install directory are removed as links before the tree goes,
// whatever they point to; their targets and everything else stay.
#ifndef _WIN32

#include "commands/link_removal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/scratch.h"
#include "platform/posix/utf.h"

namespace {

using qiv::testing::Exists;
using qiv::testing::ScratchDir;
using qiv::testing::WriteFile;

bool IsLink(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

TEST(LinkRemoval, LinksGoAsLinksAndTheirTargetsStay) {
  ScratchDir scratch;
  const auto at = [&](const char* name) { return scratch.File(name); };
  for (const char* dir :
       {"outside", "game", "game/data", "game/deep", "game/deep/a", "game/Dir "}) {
    ASSERT_EQ(mkdir(at(dir).c_str(), 0700), 0) << dir;
  }
  WriteFile(at("outside/keep.txt"), "keep");
  WriteFile(at("game/data/level.pak"), "pak");
  WriteFile(at("game/Dir /save."), "save");
  ASSERT_EQ(symlink(at("outside").c_str(), at("game/dirlink").c_str()), 0);
  ASSERT_EQ(symlink(at("outside/keep.txt").c_str(), at("game/data/filelink").c_str()), 0);
  ASSERT_EQ(symlink(at("nowhere").c_str(), at("game/data/dangling").c_str()), 0);
  ASSERT_EQ(symlink("../../../outside", at("game/deep/a/up").c_str()), 0);
  ASSERT_EQ(symlink(at("outside").c_str(), at("game/Dir /link. ").c_str()), 0);

  std::wstring game = L"Z:" + qiv::posix::Utf8ToUtf16(at("game"));
  for (wchar_t& unit : game) unit = unit == L'/' ? L'\\' : unit;
  EXPECT_TRUE(qiv::commands::RemoveLinksInside(game));

  for (const char* link : {"game/dirlink", "game/data/filelink", "game/data/dangling",
                           "game/deep/a/up", "game/Dir /link. "}) {
    EXPECT_FALSE(IsLink(at(link))) << link;
  }
  EXPECT_TRUE(Exists(at("outside/keep.txt")));
  EXPECT_TRUE(Exists(at("game/data/level.pak")));
  EXPECT_TRUE(Exists(at("game/Dir /save.")));
  EXPECT_TRUE(Exists(at("game/deep/a")));
  // A tree that cannot be listed is not declared free of links.
  EXPECT_FALSE(qiv::commands::RemoveLinksInside(game + L"\\missing"));
}

}  // namespace

#endif  // _WIN32
