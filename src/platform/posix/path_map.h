// Where a Windows-style path the program uses lives on this system.
//
// The program sees Windows paths; at the file-system boundary:
//   - "\" becomes "/", and "." and ".." names are resolved by name the way Windows
//     does it (never above the drive root), so a link is not followed out by "..";
//   - the last name loses its trailing dots and blanks, as on Windows; the names
//     before it keep theirs ("Dir \Game" is a folder "Dir " holding "Game");
//   - drive Z: is Wine's name for "/", so "Z:\tmp\x" is "/tmp/x";
//   - any other drive letter exists only when QIV_DRIVE_ROOT is set: "C:\x" is then
//     "$QIV_DRIVE_ROOT/c/x" (letter in lower case). Without it those paths name
//     nothing, which keeps tests away from the real root;
//   - "\x" without a drive is "/x"; a path without a leading separator stays
//     relative to the current directory;
//   - the "\\?\" prefix is dropped and its last name kept as written; other UNC
//     and device paths name nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qiv::posix {

std::optional<std::string> MapWindowsPath(std::wstring_view windowsPath);

}  // namespace qiv::posix
