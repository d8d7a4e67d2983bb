#include "removal/delete/document_removal.h"

#include <deque>
#include <optional>

#include "installconfig/install_config.h"
#include "installconfig/install_config_items.h"
#include "platform/registry_key.h"
#include "platform/win32.h"
#include "removal/delete/folder_chain_hold.h"
#include "removal/delete/held_file_replacement.h"
#include "removal/delete/listed_registry_tree.h"
#include "removal/delete/shortcut_removal.h"
#include "removal/shortcut_places.h"

namespace {

using qiv::installconfig::RegistryItem;

// One listed tree, judged when it is read: it goes unless it is not the game's (an
// empty path, which would address the whole root, never is).
class JudgedTree {
 public:
  JudgedTree(const RegistryItem& item, const qiv::platform::FolderContents& game) {
    opened_ = root_.Open(item.root, nullptr, KEY_READ | KEY_WRITE) == ERROR_SUCCESS;
    if (opened_) tree_.emplace(root_.Handle(), item.root, item.path, game);
  }
  JudgedTree(const JudgedTree&) = delete;
  JudgedTree& operator=(const JudgedTree&) = delete;

  // False only when its root could not be opened: a refused item has been dealt
  // with as much as a deleted one.
  bool Remove() {
    if (tree_) tree_->Remove();
    tree_.reset();
    root_.Close();
    return opened_;
  }

 private:
  CRegistryKey root_;
  std::optional<qiv::removal::ListedRegistryTree> tree_;
  bool opened_ = false;
};

}  // namespace

bool SaveInstallConfig(const InstallConfigDocument& document, const String::_tstringW& path) {
  // TinyXML can print what it cannot read back: in a document read as UTF-8, a byte
  // that is no UTF-8 swallows the bytes after it, and printing (quotes added,
  // characters escaped) moves a delimiter into that shadow. Such a text is not
  // written, so the file keeps loading and keeps listing what is still to remove.
  const std::string text = document.Print();
  InstallConfigDocument readBack;
  if (!readBack.Parse(text)) return false;
  // The folder and every folder above stay held while the new text goes in, so the
  // file lands in the folder that was named; within it, only handles are used.
  const auto place = qiv::removal::PlaceOfFile(path);
  if (!place) return false;
  qiv::removal::FolderChainHold hold(place->folder);
  return hold.Held() &&
         qiv::removal::ReplaceFileInFolder(hold.DirectoryHandle(), place->name, text);
}

bool RemoveShortcuts(const String::_tstringW& documentPath, const std::wstring& gameFolder) {
  // The document's folder chain is held from the read to the rewrite, so both reach
  // the same folder (a folder that cannot be held is read, but not rewritten).
  const auto place = qiv::removal::PlaceOfFile(documentPath);
  std::optional<qiv::removal::FolderChainHold> hold;
  if (place) hold.emplace(place->folder);
  InstallConfigDocument document;
  TiXmlElement* root = LoadInstallConfig(documentPath, document);
  if (root == nullptr) return false;
  TiXmlElement* shortcut = qiv::installconfig::FindShortcutElement(*root);
  if (shortcut == nullptr) return true;
  const qiv::installconfig::ShortcutFiles files = qiv::installconfig::ReadShortcutFiles(*shortcut);
  const qiv::removal::ShortcutPlaces places(qiv::platform::QueryShortcutFolders(), gameFolder);
  qiv::removal::DeleteShortcutFile(files.desktop, places);
  qiv::removal::DeleteShortcutFile(files.startMenu, places);
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
  const qiv::platform::FolderContents game(gameFolder);
  const auto groups = qiv::installconfig::ReadRegistryItemGroups(*root);
  // Every tree is judged on the registry as the game left it, before any goes: an
  // extension keeps its class's verdict when the document lists the class first.
  std::deque<JudgedTree> judged;
  for (const auto& group : groups) {
    for (const RegistryItem& item : group.vantorItems) judged.emplace_back(item, game);
    for (const RegistryItem& item : group.appItems) judged.emplace_back(item, game);
  }
  auto next = judged.begin();
  for (const auto& group : groups) {
    // The first item whose root opens ends a "vantoritems" list, also when its
    // path was refused: the items after it are never reached.
    bool ended = false;
    for (size_t i = 0; i < group.vantorItems.size(); ++i, ++next) {
      if (!ended) ended = next->Remove();
    }
    for (size_t i = 0; i < group.appItems.size(); ++i, ++next) next->Remove();
  }
  return true;
}
