#include "platform/shortcut_folders.h"

#include <shlobj.h>

#include "platform/win32.h"

namespace qiv::platform {

namespace {

void AddFolder(std::vector<std::wstring>& list, int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) && path[0]) {
    list.emplace_back(path);
  }
}

}  // namespace

ShortcutFolders QueryShortcutFolders() {
  ShortcutFolders folders;
  AddFolder(folders.desktops, CSIDL_DESKTOPDIRECTORY);
  AddFolder(folders.desktops, CSIDL_COMMON_DESKTOPDIRECTORY);
  AddFolder(folders.startMenus, CSIDL_STARTMENU);
  AddFolder(folders.startMenus, CSIDL_COMMON_STARTMENU);
  return folders;
}

}  // namespace qiv::platform
