#include "removal/install_path_guard.h"

#include <gtest/gtest.h>

namespace {

using qiv::removal::CheckInstallDirectory;

qiv::platform::ProtectedFolders WindowsFolders() {
  qiv::platform::ProtectedFolders folders;
  folders.kept = {L"C:\\Users\\Bob",
                  L"C:\\Users\\Bob\\Desktop",
                  L"C:\\Users\\Bob\\Documents",
                  L"C:\\Users\\Bob\\Documents\\My Games",
                  L"C:\\Users\\Bob\\AppData\\Roaming",
                  L"C:\\Users\\Bob\\AppData\\Local",
                  L"C:\\Users\\Public",
                  L"C:\\ProgramData",
                  L"C:\\Program Files",
                  L"C:\\Program Files (x86)",
                  L"C:\\Program Files (x86)\\Common Files",
                  L"D:\\Data\\Bob",
                  L"C:\\Program Files (x86)\\Vantor"};
  folders.keptWithChildren = {L"C:\\Users"};
  folders.sealed = {L"C:\\Windows", L"C:\\Windows\\System32"};
  folders.currentDrive = L"C:";
  return folders;
}

TEST(InstallPathGuardTest, RefusesDangerousInstallPaths) {
  const auto folders = WindowsFolders();
  const wchar_t* const refused[] = {
      L"",
      L" ",
      L"Games\\Title",
      L"..\\Title",
      L"C:",
      L"C:Games",
      L"C:\\",
      L"C:/",
      L"C:\\.",
      L"C:\\Games\\..",
      L"C:\\Windows\\..",
      L"\\\\?\\C:\\",
      L"\\\\?\\D:",
      L"D:\\",
      L"\\\\server\\share",
      L"\\\\server\\share\\",
      L"\\\\?\\UNC\\server\\share",
      L"\\\\.\\PhysicalDrive0",
      L"C:\\Games\\*",
      // System and user folders, whatever the spelling.
      L"C:\\Windows",
      L"c:\\windows\\",
      L"C:\\WINDOWS\\System32",
      L"C:\\Windows\\Temp\\Game",
      L"C:\\Windows.",
      L"C:\\Games\\..\\Windows\\Fonts",
      L"\\Windows",
      L"\\Users",
      L"C:\\Program Files",
      L"C:\\Program Files (x86)",
      L"C:/Program Files (x86)/",
      L"C:\\Program Files (x86)\\Common Files",
      L"C:\\ProgramData",
      L"C:\\Users",
      L"C:\\Users\\Bob",
      L"C:\\Users\\Bob\\Desktop",
      L"C:\\Users\\Bob\\Documents",
      L"C:\\Users\\Bob\\Documents\\My Games",
      L"C:\\Users\\Bob\\AppData",
      L"C:\\Users\\Public",
      L"C:\\Users\\Alice",
      L"C:\\USERS\\Alice\\",
      L"D:\\Data",
      L"C:\\Program Files (x86)\\Vantor",
  };
  for (const wchar_t* path : refused) {
    EXPECT_FALSE(CheckInstallDirectory(path, folders).has_value()) << testing::PrintToString(path);
  }
}

TEST(InstallPathGuardTest, AllowsAGameFolder) {
  const auto folders = WindowsFolders();
  const struct {
    const wchar_t* input;
    const wchar_t* deleted;
  } allowed[] = {
      {L"C:\\Program Files (x86)\\Vantor\\Games\\Title",
       L"C:\\Program Files (x86)\\Vantor\\Games\\Title"},
      {L"C:\\Program Files\\Title", L"C:\\Program Files\\Title"},
      {L"D:\\Games\\Title", L"D:\\Games\\Title"},
      {L"D:\\Games\\Title\\", L"D:\\Games\\Title"},
      {L"D:/Games/./Title", L"D:\\Games\\Title"},
      {L"D:\\Games", L"D:\\Games"},
      {L"C:\\Users\\Bob\\Documents\\Title", L"C:\\Users\\Bob\\Documents\\Title"},
      {L"C:\\Users\\Alice\\Games\\Title", L"C:\\Users\\Alice\\Games\\Title"},
      {L"\\\\?\\D:\\Games\\Title", L"D:\\Games\\Title"},
      {L"\\\\nas\\games\\Title", L"\\\\nas\\games\\Title"},
      {L"\\Games\\Title", L"C:\\Games\\Title"},
  };
  for (const auto& c : allowed) {
    const auto checked = CheckInstallDirectory(c.input, folders);
    ASSERT_TRUE(checked.has_value()) << testing::PrintToString(c.input);
    EXPECT_EQ(checked->Text(), c.deleted);
  }
  // Off a drive, a path on "the current drive" names nothing certain.
  auto onShare = folders;
  onShare.currentDrive.clear();
  EXPECT_FALSE(CheckInstallDirectory(L"\\Games\\Title", onShare).has_value());
}

}  // namespace
