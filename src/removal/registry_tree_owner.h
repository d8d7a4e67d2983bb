// Whether a listed registry tree is the game's, read from the registry through the
// keys the deletion uses, in their registry view. The rules are the table in
// registry_tree_guard.h; "inside" is judged by FolderContents.
#pragma once

#include "platform/folder_contents.h"
#include "platform/registry_key_path.h"
#include "removal/registry_tree_guard.h"

namespace qiv::removal {

// `tree` is the item's path (owner.keys) as opened for the deletion, from the root
// it would be deleted from; `game` is the game's install directory (one that
// contains nothing when it is not known); `machine` is the root in which the
// machine's product key of a tree's product is looked up.
bool IsTreeTheGames(const qiv::platform::CRegistryKeyPath& tree, const TreeOwner& owner,
                    const qiv::platform::FolderContents& game, HKEY machine = HKEY_LOCAL_MACHINE);

}  // namespace qiv::removal
