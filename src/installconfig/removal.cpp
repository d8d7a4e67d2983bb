#include "installconfig/removal.h"

#include "base/registry/registry_key.h"
#include "installconfig/install_config.h"
#include "installconfig/install_config_items.h"
#include "installconfig/registry_tree_guard.h"
#include "installconfig/registry_tree_owner.h"
#include "installconfig/shortcut_file_guard.h"
#include "platform/win32.h"

namespace {

using qiv::installconfig::RegistryItem;

void DeleteShortcutFile(const String::_tstringW& path) {
  if (!qiv::installconfig::IsShortcutFilePath(path)) return;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return;
  }
  DeleteFileW(path.c_str());
}

// Deletes the item's tree, unless its path is empty (that would address the whole
// root) or the tree is not the game's. Whose it is is read through the very key the
// deletion uses. False only when its root could not be opened: a refused item has
// been dealt with as much as a deleted one.
bool RemoveRegistryTree(const RegistryItem& item, const qiv::paths::FolderContents& game) {
  CRegistryKey root;
  if (root.Open(item.root, nullptr, KEY_READ | KEY_WRITE) != ERROR_SUCCESS) return false;
  if (!item.path.empty()) {
    const auto owner = qiv::installconfig::ClassifyRegistryTree(item.root, item.path);
    if (qiv::installconfig::IsTreeTheGames(root, owner, game)) root.DeleteTree(item.path.c_str());
  }
  root.Close();
  return true;
}

}  // namespace

bool RemoveShortcuts(const String::_tstringW& documentPath) {
  InstallConfigDocument document;
  TiXmlElement* root = LoadInstallConfig(documentPath, document);
  if (root == nullptr) return false;
  TiXmlElement* shortcut = qiv::installconfig::FindShortcutElement(*root);
  if (shortcut == nullptr) return true;
  const qiv::installconfig::ShortcutFiles files = qiv::installconfig::ReadShortcutFiles(*shortcut);
  DeleteShortcutFile(files.desktop);
  DeleteShortcutFile(files.startMenu);
  // The element goes whatever the deletions achieved, so the next run does not
  // try again; a failed save leaves it for the next run.
  root->RemoveChild(shortcut);
  SaveInstallConfig(document, documentPath);
  return true;
}

bool RemoveRegistryItems(const String::_tstringW& documentPath, const std::wstring& gameFolder) {
  InstallConfigDocument document;
  TiXmlElement* root = LoadInstallConfig(documentPath, document);
  if (root == nullptr) return false;
  const qiv::paths::FolderContents game(gameFolder);
  for (const auto& group : qiv::installconfig::ReadRegistryItemGroups(*root)) {
    // The first item whose root opens ends a "vantoritems" list, also when its
    // path was refused: the items after it are never reached.
    for (const RegistryItem& item : group.vantorItems) {
      if (RemoveRegistryTree(item, game)) break;
    }
    for (const RegistryItem& item : group.appItems) RemoveRegistryTree(item, game);
  }
  return true;
}
