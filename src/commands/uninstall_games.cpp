// UninstallGames: for every game registered under the product key, remove its
// shortcuts; in full mode also its registry items, its install directory and its
// registration, and at the end the product key once no game is left under it. A
// game inside another game's folder is removed before that game.
#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/paths/windows_path.h"
#include "commands/uninstall_games.h"
#include "platform/current_drive.h"
#include "platform/folder_identity.h"
#include "platform/installed_games.h"
#include "platform/registry_key.h"
#include "platform/registry_text.h"
#include "platform/win32.h"
#include "removal/delete/document_removal.h"
#include "removal/delete/folder_chain_hold.h"
#include "removal/delete/quarantine.h"
#include "removal/delete/remainder_protection.h"
#include "removal/delete/tree_deletion.h"
#include "removal/game_order.h"
#include "removal/install_directory_guard.h"

namespace {

constexpr wchar_t kFullMode[] = L"UninstallGame";
constexpr wchar_t kInstallPathValue[] = L"INSTALL_PATH";
constexpr wchar_t kDocumentName[] = L"\\appinstallconfig.xml";
constexpr DWORD kInstallPathBytes = 1024;

// The value is text of any registry type; a value of more than 1,024 bytes counts
// as unreadable.
std::optional<std::wstring> ReadInstallPath(HKEY game) {
  return qiv::platform::ReadValueText(game, kInstallPathValue, kInstallPathBytes,
                                      qiv::platform::TextTypes::kAny);
}

class GameRemover {
 public:
  explicit GameRemover(bool fullMode) : fullMode_(fullMode) {}

  // Removes one game; true when its subkey is gone afterwards.
  bool Remove(const std::wstring& gameKeyPath) {
    CRegistryKey game;
    const LONG opened = game.Open(HKEY_LOCAL_MACHINE, gameKeyPath.c_str(), KEY_QUERY_VALUE);
    if (opened != ERROR_SUCCESS) return opened == ERROR_FILE_NOT_FOUND;
    if (const auto installPath = ReadInstallPath(game.Handle())) RemoveFiles(*installPath);
    game.Close();
    if (!fullMode_) return false;
    // Also gone when the game's own document listed its registration.
    const LONG deleted = RegDeleteKeyW(HKEY_LOCAL_MACHINE, gameKeyPath.c_str());
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
  }

 private:
  void RemoveFiles(const std::wstring& installPath) {
    String::_tstringW directory(installPath);
    if (!directory.empty() && directory.back() == L'\\') directory.pop_back();
    const String::_tstringW documentPath(directory + kDocumentName);
    // One verdict on the directory serves all: a shortcut file or a key that names
    // a program is the game's only when it lies in a folder the guard lets go, and
    // a refused directory holds nothing of the game's.
    const std::optional<std::wstring> checked = CheckedDirectory(directory);
    RemoveShortcuts(documentPath, checked.value_or(std::wstring()));
    if (!fullMode_) return;
    RemoveRegistryItems(documentPath, checked.value_or(std::wstring()));
    if (checked) DeleteInstallDirectory(*checked);
  }

  std::optional<std::wstring> CheckedDirectory(const std::wstring& directory) {
    if (GetFileAttributesW(directory.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    // The protected folders are resolved once per run, on the first directory.
    if (!guard_) guard_.emplace(qiv::platform::QueryProtectedFolders());
    return guard_->Check(directory);
  }

  // `checked` is the text the guard accepted for the directory.
  void DeleteInstallDirectory(const std::wstring& checked) {
    // Until the deletion is done, the directory and every folder above it stay
    // open so that none can be renamed or swapped for a link. The verdict is taken
    // again on the held folders, and they are compared once more just before the
    // deletion (where renames cannot be refused, that is what notices one).
    qiv::removal::FolderChainHold hold(checked);
    if (!hold.Held() || guard_->Check(checked) != checked || !hold.Unchanged()) return;
    // Everything inside goes through handles, never by names a user who can write
    // in the folder could redirect (silent, nothing to the recycle bin, as the
    // shell's deletion was). What is in use moves into a quarantine that only
    // administrators can change and goes from there at the next restart.
    qiv::removal::Quarantine quarantine(hold.DirectoryHandle(), hold.DirectoryPath());
    qiv::removal::TreeDeletionReport report =
        qiv::removal::DeleteTreeInside(hold.DirectoryHandle(), hold.DirectoryPath(), &quarantine);
    // An entry left alone because it had changed may have gone since: the
    // directory's own deletion tells.
    if (!hold.RemoveEmptyDirectory()) {
      qiv::removal::ProtectRemainder(report, hold.DirectoryHandle(), hold.DirectoryPath());
    }
    quarantine.ScheduleForRestart();
  }

  bool fullMode_;
  std::optional<qiv::removal::InstallDirectoryGuard> guard_;
};

// The game subkeys' names, each once, as the product key lists them (a name too
// long is passed over, any other failure ends the list). An empty name would make
// the game path the product key itself.
std::vector<std::wstring> GameNames(HKEY product) {
  std::vector<std::wstring> names;
  std::set<std::wstring> seen;
  qiv::platform::KeyName name;
  for (DWORD index = 0; qiv::platform::NextSubkeyName(product, index, name);) {
    if (name[0] != 0 && seen.insert(name).second) names.emplace_back(name);
  }
  return names;
}

// Where each game's install directory resolves to, for the order of removal. Only
// absolute drive and share paths are opened: a device or a relative path is no
// game's folder, and the guard refuses it later anyway.
std::vector<std::optional<qiv::platform::ResolvedFolder>> InstallFolders(
    const std::vector<std::wstring>& names) {
  std::vector<std::optional<qiv::platform::ResolvedFolder>> folders;
  const std::wstring drive = qiv::platform::CurrentDrive();
  for (const std::wstring& name : names) {
    CRegistryKey game;
    std::optional<std::wstring> installPath;
    if (game.Open(HKEY_LOCAL_MACHINE, (std::wstring(kProductKeyPath) + L"\\" + name).c_str(),
                  KEY_QUERY_VALUE) == ERROR_SUCCESS) {
      installPath = ReadInstallPath(game.Handle());
    }
    if (installPath && qiv::paths::NormaliseWindowsPath(*installPath, drive)) {
      if (installPath->back() == L'\\') installPath->pop_back();
      folders.push_back(qiv::platform::ResolveFolder(*installPath));
    } else {
      folders.emplace_back();
    }
  }
  return folders;
}

}  // namespace

void UninstallGames(String::_tstringW mode) {
  const bool fullMode = mode.CompareNoCase(String::_tstringW(kFullMode)) == 0;
  CRegistryKey product;
  if (product.Open(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_ENUMERATE_SUB_KEYS) != ERROR_SUCCESS) {
    return;
  }
  // Listed once before anything is removed, so a removal can neither repeat a
  // game nor make the list skip one.
  const std::vector<std::wstring> names = GameNames(product.Handle());
  product.Close();
  std::vector<size_t> order(names.size());
  for (size_t game = 0; game < order.size(); ++game) order[game] = game;
  // Only the full mode deletes folders, so only there can one game's removal
  // take another's document.
  if (fullMode) order = qiv::removal::RemovalOrder(InstallFolders(names));
  GameRemover remover(fullMode);
  for (size_t game : order) remover.Remove(std::wstring(kProductKeyPath) + L"\\" + names[game]);

  // Succeeds only when no game is left; the company key above stays.
  CRegistryKey leftover;
  if (leftover.Open(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_QUERY_VALUE) == ERROR_SUCCESS) {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kProductKeyPath);
    leftover.Close();
  }
}
