// One registry tree a game's document lists, judged and then deleted through the
// keys its path names, opened one at a time from the root (platform/registry_key_path.h):
// the verdict is about the keys that go, and no link on the way can send the
// deletion into another key.
#pragma once

#include <string>

#include "platform/folder_contents.h"
#include "platform/registry_key_path.h"
#include "platform/win32.h"

namespace qiv::removal {

class ListedRegistryTree {
 public:
  // `root` is the open root the item names (a predefined root, or any key that
  // stands for one); `rootKind` is the predefined root whose rules apply (the
  // same, unless `root` stands for it); `machine` is where the machine's product
  // keys are looked up. The tree is judged here, on the registry as it is now.
  ListedRegistryTree(HKEY root, HKEY rootKind, const std::wstring& path,
                     const qiv::platform::FolderContents& game, HKEY machine = HKEY_LOCAL_MACHINE);
  ListedRegistryTree(const ListedRegistryTree&) = delete;
  ListedRegistryTree& operator=(const ListedRegistryTree&) = delete;

  // The tree's path was opened to its last key and the tree is the game's.
  bool TheGames() const { return theGames_; }
  // Deletes the tree when it is the game's, through the handles opened when it was
  // judged, and lets them go. ERROR_SUCCESS when it is gone.
  LONG Remove();

 private:
  qiv::platform::CRegistryKeyPath keys_;
  bool theGames_ = false;
};

}  // namespace qiv::removal
