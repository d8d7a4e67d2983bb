// Which files an install configuration document may have deleted as shortcuts.
#pragma once

#include <string>

namespace qiv::installconfig {

// A shortcut is an absolute path to a ".lnk" (shell link) or ".url" (internet
// shortcut) file. The document comes with a game; anything else it names as a
// shortcut is left alone rather than deleted.
bool IsShortcutFilePath(const std::wstring& path);

// The same rule applied to the file the path names, by its long name as the
// system reports it: a short (8.3) alias such as "IMPORT~1.LNK" may stand for
// "important.lnkx". False when the file does not exist or is a directory.
bool IsShortcutFile(const std::wstring& path);

}  // namespace qiv::installconfig
