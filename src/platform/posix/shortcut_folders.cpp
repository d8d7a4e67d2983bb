// The stand-in's user is $HOME with the registry file's HKEY_CURRENT_USER; the
// common folders are where the machine's "User Shell Folders" say, or where
// Windows keeps them on the mapped drive C:.
#include "platform/shortcut_folders.h"

#include <cstdlib>

#include "platform/posix/utf.h"
#include "platform/profile_folders.h"
#include "platform/win32.h"

namespace qiv::platform {

namespace {

void AddFolder(std::vector<std::wstring>& list, HKEY root, const std::wstring& profile,
               const wchar_t* valueName, const std::wstring& fallback) {
  std::wstring path = ReadUserShellFolder(root, L"", profile, valueName);
  if (path.empty()) path = fallback;
  if (!path.empty()) list.push_back(std::move(path));
}

}  // namespace

ShortcutFolders QueryShortcutFolders() {
  ShortcutFolders folders;
  std::wstring profile;
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    profile = L"Z:" + qiv::posix::Utf8ToUtf16(home);
    for (wchar_t& unit : profile) {
      if (unit == L'/') unit = L'\\';
    }
  }
  const auto below = [&profile](const wchar_t* name) {
    return profile.empty() ? std::wstring() : profile + L"\\" + name;
  };
  AddFolder(folders.desktops, HKEY_CURRENT_USER, profile, L"Desktop", below(L"Desktop"));
  AddFolder(folders.desktops, HKEY_LOCAL_MACHINE, profile, L"Common Desktop",
            L"C:\\Users\\Public\\Desktop");
  AddFolder(folders.startMenus, HKEY_CURRENT_USER, profile, L"Start Menu",
            below(L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu"));
  AddFolder(folders.startMenus, HKEY_LOCAL_MACHINE, profile, L"Common Start Menu",
            L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu");
  return folders;
}

}  // namespace qiv::platform
