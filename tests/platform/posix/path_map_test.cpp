#ifndef _WIN32

#include "platform/posix/path_map.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/win32.h"
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
      // Only the last name loses its trailing dots and blanks, and only when the
      // path does not end in a separator or is taken literally.
      {L"Z:\\tmp\\Dir \\Game. ", "/tmp/Dir /Game", "/tmp/Dir /Game"},
      {L"Z:\\tmp\\Game.\\", "/tmp/Game.", "/tmp/Game."},
      {L"C:\\Windows. .", std::nullopt, "/drives/c/Windows"},
      {L"\\\\?\\Z:\\tmp\\x.", "/tmp/x.", "/tmp/x."},
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

TEST(PathMap, FullPathNamesAreFormedAsWindowsFormsThem) {
  const struct {
    const wchar_t* path;
    const wchar_t* full;
  } cases[] = {
      {L"C:\\games\\Dir \\Game. ", L"C:\\games\\Dir \\Game"},
      {L"C:/a/./b/../c\\", L"C:\\a\\c\\"},
      {L"C:\\..\\..\\x", L"C:\\x"},
      {L"c:\\a\\...", L"c:\\a\\"},
      {L"C:\\", L"C:\\"},
      {L"\\x\\y", L"Z:\\x\\y"},
      {L"\\\\?\\C:\\a\\..\\b.", L"\\\\?\\C:\\a\\..\\b."},
      {L"\\\\.\\C:\\a\\..\\b", L"\\\\.\\C:\\b"},
      {L"\\\\server\\share\\a\\..\\..\\b", L"\\\\server\\share\\b"},
  };
  for (const auto& c : cases) {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(c.path, MAX_PATH, buffer, nullptr);
    EXPECT_EQ(std::wstring(buffer, length), c.full) << testing::PrintToString(c.path);
  }
  // A buffer too small gets nothing and the size needed, terminator included.
  wchar_t small[4] = {};
  EXPECT_EQ(GetFullPathNameW(L"C:\\abc", 4, small, nullptr), 7u);
  EXPECT_EQ(GetFullPathNameW(L"", MAX_PATH, small, nullptr), 0u);
}

}  // namespace

#endif  // _WIN32
