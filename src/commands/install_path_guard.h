// Whether a game's install directory, as the registry names it, may be deleted for
// good. The value comes from the registry and may be empty, relative, a drive root
// or a folder that holds far more than one game.
#pragma once

#include <optional>

#include "base/paths/windows_path.h"
#include "platform/protected_folders.h"

namespace qiv::commands {

// The directory to delete, or nothing when the path is refused: not an absolute
// path below a drive or share root (one that begins with a single separator lies
// on the current drive), a kept folder, a direct child of a folder kept with its
// children (another user's profile), a folder that holds any of these, or anything
// inside a sealed folder.
std::optional<qiv::paths::WindowsPath> CheckInstallDirectory(
    const std::wstring& installDirectory, const qiv::platform::ProtectedFolders& folders);

// True when the directory exists as a directory of its own: neither it nor any
// folder above it (below the root) is a link or junction, so deleting it cannot
// reach anything outside it.
bool IsPlainDirectory(const qiv::paths::WindowsPath& directory);

}  // namespace qiv::commands
