#include "platform/shortcut_folders.h"

#include "platform/windows/shell_folder.h"

namespace qiv::platform {

ShortcutFolders QueryShortcutFolders() {
  ShortcutFolders folders;
  AddShellFolder(folders.desktops, CSIDL_DESKTOPDIRECTORY);
  AddShellFolder(folders.desktops, CSIDL_COMMON_DESKTOPDIRECTORY);
  AddShellFolder(folders.startMenus, CSIDL_STARTMENU);
  AddShellFolder(folders.startMenus, CSIDL_COMMON_STARTMENU);
  return folders;
}

}  // namespace qiv::platform
