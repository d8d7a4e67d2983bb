// Whether a listed registry tree is the game's, read from the registry through the
// key the deletion uses, in its registry view. The rules are the table in
// registry_tree_guard.h; "inside" is judged by FolderContents.
#pragma once

#include "platform/folder_contents.h"
#include "platform/registry_key.h"
#include "removal/registry_tree_guard.h"

namespace qiv::removal {

// `root` is the opened root key the tree would be deleted from; `game` is the game's
// install directory (one that contains nothing when it is not known).
bool IsTreeTheGames(const CRegistryKey& root, const TreeOwner& owner,
                    const qiv::platform::FolderContents& game);

}  // namespace qiv::removal
