#include "removal/delete/listed_registry_tree.h"

#include "removal/registry_tree_guard.h"
#include "removal/registry_tree_owner.h"

namespace qiv::removal {

ListedRegistryTree::ListedRegistryTree(HKEY root, HKEY rootKind, const std::wstring& path,
                                       const qiv::platform::FolderContents& game, HKEY machine) {
  // An empty path would address the whole root.
  if (path.empty()) return;
  const TreeOwner owner = ClassifyRegistryTree(rootKind, path);
  if (owner.rule == TreeOwnerRule::kNever) return;
  // The names the system would open must be the names that were judged: a "." or
  // blank name, or an empty one between two backslashes, is refused.
  const auto names = qiv::platform::SplitRegistryPath(path);
  if (!names || *names != owner.keys) return;
  // Above the owner key, the machine's hive holds the system's containers, where
  // only the system makes links; anywhere else a link on the way refuses the item.
  const size_t systemDepth = rootKind == HKEY_LOCAL_MACHINE ? owner.ownerDepth : 0;
  if (keys_.Open(root, *names, KEY_READ | DELETE, 0, systemDepth) !=
      qiv::platform::CRegistryKeyPath::Status::kOpened) {
    return;
  }
  theGames_ = IsTreeTheGames(keys_, owner, game, machine);
  if (!theGames_) keys_.Close();
}

LONG ListedRegistryTree::Remove() {
  const LONG status = theGames_ ? keys_.Last().DeleteHeldTree() : ERROR_ACCESS_DENIED;
  keys_.Close();
  theGames_ = false;
  return status;
}

}  // namespace qiv::removal
