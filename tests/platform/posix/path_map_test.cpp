#ifndef _WIN32

#include "platform/posix/path_map.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "scratch.h"

namespace {

using qiv::posix::MapWindowsPath;
using qiv::testing::ScopedEnv;

struct PathCase {
  const wchar_t* windows;
  std::optional<std::string> withoutDriveRoot;
  std::optional<std::string> withDriveRoot;  // QIV_DRIVE_ROOT=/drives/
};

TEST(PathMap, MapsWindowsPathsToThisSystem) {
  const PathCase cases[] = {
      {L"Z:\\tmp\\Game\\file.ini", "/tmp/Game/file.ini", "/tmp/Game/file.ini"},
      {L"z:/tmp/x", "/tmp/x", "/tmp/x"},
      {L"Z:\\", "/", "/"},
      {L"Z:", "/", "/"},
      {L"\\tmp\\x\\", "/tmp/x", "/tmp/x"},
      {L"C:\\Games\\Title", std::nullopt, "/drives/c/Games/Title"},
      {L"d:\\", std::nullopt, "/drives/d"},
      {L"C:\\..\\..\\etc", std::nullopt, "/drives/c/etc"},  // never above the drive root
      {L"Z:\\tmp\\a\\.\\b\\..\\c", "/tmp/a/c", "/tmp/a/c"},
      {L"Z:\\..\\etc", "/etc", "/etc"},
      {L"\\\\?\\Z:\\tmp\\x", "/tmp/x", "/tmp/x"},
      {L"\\\\server\\share\\x", std::nullopt, std::nullopt},
      {L"\\\\.\\PhysicalDrive0", std::nullopt, std::nullopt},
      {L"sub\\file.ini", "sub/file.ini", "sub/file.ini"},
      {L"..\\up", "../up", "../up"},
      {L"", std::nullopt, std::nullopt},
      {L"Z:\\tmp\\caf\u00e9", "/tmp/caf\xC3\xA9", "/tmp/caf\xC3\xA9"},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    {
      ScopedEnv unset("QIV_DRIVE_ROOT", nullptr);
      EXPECT_EQ(MapWindowsPath(c.windows), c.withoutDriveRoot);
    }
    ScopedEnv set("QIV_DRIVE_ROOT", "/drives/");
    EXPECT_EQ(MapWindowsPath(c.windows), c.withDriveRoot);
  }
}

}  // namespace

#endif  // _WIN32
