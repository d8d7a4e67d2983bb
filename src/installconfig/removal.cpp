#include "installconfig/removal.h"

#include "base/registry/registry_key.h"
#include "installconfig/install_config.h"
#include "installconfig/install_config_items.h"
#include "installconfig/registry_tree_guard.h"
#include "installconfig/shortcut_file_guard.h"
#include "platform/win32.h"

namespace {

using qiv::installconfig::RegistryItem;

void DeleteShortcutFile(const String::_tstringW& path) {
  if (!qiv::installconfig::IsShortcutFile(path)) return;
  DeleteFileW(path.c_str());
}

// Deletes the item's tree, unless its path is empty (that would address the whole
// root) or the guard refuses it. False only when its root could not be opened: a
// refused item has been dealt with as much as a deleted one.
bool RemoveRegistryTree(const RegistryItem& item) {
  CRegistryKey root;
  if (root.Open(item.root, nullptr, KEY_READ | KEY_WRITE) != ERROR_SUCCESS) return false;
  if (!item.path.empty() && qiv::installconfig::IsRegistryTreeRemovable(item.root, item.path)) {
    root.DeleteTree(item.path.c_str());
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

bool RemoveRegistryItems(const String::_tstringW& documentPath) {
  InstallConfigDocument document;
  TiXmlElement* root = LoadInstallConfig(documentPath, document);
  if (root == nullptr) return false;
  for (const auto& group : qiv::installconfig::ReadRegistryItemGroups(*root)) {
    // The first item whose root opens ends a "vantoritems" list, also when its
    // path was refused: the items after it are never reached.
    for (const RegistryItem& item : group.vantorItems) {
      if (RemoveRegistryTree(item)) break;
    }
    for (const RegistryItem& item : group.appItems) RemoveRegistryTree(item);
  }
  return true;
}
