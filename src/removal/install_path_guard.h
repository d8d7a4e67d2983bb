// The first look at a game's install directory, as the registry names it: its text
// alone. The value comes from the registry and may be empty, relative, a drive root
// or a folder that holds far more than one game. What the path names on the system
// is judged afterwards by install_directory_guard.h.
#pragma once

#include <optional>

#include "base/paths/windows_path.h"
#include "platform/protected_folders.h"

namespace qiv::removal {

// The directory to delete, or nothing when the path is refused: not an absolute
// path below a drive or share root (one that begins with a single separator lies
// on the current drive), a kept folder, a direct child of a folder kept with its
// children (another user's profile), a folder that holds any of these, or anything
// inside a sealed folder.
std::optional<qiv::paths::WindowsPath> CheckInstallDirectory(
    const std::wstring& installDirectory, const qiv::platform::ProtectedFolders& folders);

}  // namespace qiv::removal
