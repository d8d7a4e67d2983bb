// Which files an install configuration document may have deleted as shortcuts.
#pragma once

#include <string>

namespace qiv::removal {

// A shortcut is an absolute path to a ".lnk" (shell link) or ".url" (internet
// shortcut) file. The document comes with a game; anything else it names as a
// shortcut is left alone rather than deleted.
bool IsShortcutFilePath(const std::wstring& path);

// The rule for one file name: it ends in ".lnk" or ".url", letter case aside.
bool IsShortcutFileName(const std::wstring& name);

}  // namespace qiv::removal
