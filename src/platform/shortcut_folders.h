// Where shortcuts live: the running user's and the common (all users') Desktop and
// Start Menu, where the system says they are.
#pragma once

#include <string>
#include <vector>

namespace qiv::platform {

struct ShortcutFolders {
  std::vector<std::wstring> desktops;
  std::vector<std::wstring> startMenus;
};

// Folders the system cannot report are left out.
ShortcutFolders QueryShortcutFolders();

}  // namespace qiv::platform
