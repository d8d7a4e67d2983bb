// UninstallGames: for every game registered under the product key, remove its
// shortcuts; in full mode also its registry items, its install directory and its
// registration, and at the end the product key once no game is left under it.
#include <algorithm>
#include <optional>
#include <set>
#include <string>

#include "base/registry/registry_key.h"
#include "commands/folder_chain_hold.h"
#include "commands/handlers.h"
#include "commands/install_directory_guard.h"
#include "commands/link_removal.h"
#include "installconfig/removal.h"
#include "platform/win32.h"

namespace {

constexpr wchar_t kProductKey[] = L"SOFTWARE\\Orvandel\\Vantor";
constexpr wchar_t kFullMode[] = L"UninstallGame";
constexpr wchar_t kInstallPathValue[] = L"INSTALL_PATH";
constexpr wchar_t kDocumentName[] = L"\\appinstallconfig.xml";
constexpr DWORD kGameNameCapacity = 512;
constexpr DWORD kInstallPathBytes = 1024;
constexpr FILEOP_FLAGS kDeleteFlags =
    FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;

// The value is text of any registry type; at most 511 units fit, a longer value
// counts as unreadable. The data need not be terminated.
bool ReadInstallPath(HKEY game, std::wstring& installPath) {
  wchar_t data[kInstallPathBytes / 2] = {};
  DWORD size = kInstallPathBytes;
  DWORD type = REG_NONE;
  if (RegQueryValueExW(game, kInstallPathValue, nullptr, &type, reinterpret_cast<LPBYTE>(data),
                       &size) != ERROR_SUCCESS) {
    return false;
  }
  const size_t units = std::min<size_t>(size / 2, kInstallPathBytes / 2);
  installPath.assign(data, std::find(data, data + units, L'\0'));
  return true;
}

class GameRemover {
 public:
  explicit GameRemover(bool fullMode) : fullMode_(fullMode) {}

  // Removes one game; true when its subkey is gone afterwards.
  bool Remove(const std::wstring& gameKeyPath) {
    CRegistryKey game;
    const LONG opened = game.Open(HKEY_LOCAL_MACHINE, gameKeyPath.c_str(), KEY_QUERY_VALUE);
    if (opened != ERROR_SUCCESS) return opened == ERROR_FILE_NOT_FOUND;
    std::wstring installPath;
    if (ReadInstallPath(game.Handle(), installPath)) RemoveFiles(installPath);
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
    RemoveShortcuts(documentPath);
    if (!fullMode_) return;
    // A key that names a program is the game's only when the program lies in a
    // folder the guard lets go: a refused directory holds nothing of the game's.
    RemoveRegistryItems(documentPath, CheckedDirectory(directory).value_or(std::wstring()));
    DeleteInstallDirectory(directory);
  }

  std::optional<std::wstring> CheckedDirectory(const std::wstring& directory) {
    if (GetFileAttributesW(directory.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    if (!guard_) guard_.emplace(qiv::platform::QueryProtectedFolders());
    return guard_->Check(directory);
  }

  void DeleteInstallDirectory(const std::wstring& directory) {
    if (GetFileAttributesW(directory.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    // The protected folders are resolved once per run, on the first directory.
    if (!guard_) guard_.emplace(qiv::platform::QueryProtectedFolders());
    const std::optional<std::wstring> checked = guard_->Check(directory);
    if (!checked) return;
    // Until the shell returns, the directory and every folder above it stay open
    // so that none can be renamed or swapped for a link. The verdict is taken
    // again on the held folders, and they are compared once more just before the
    // deletion (where renames cannot be refused, that is what notices one).
    qiv::commands::FolderChainHold hold(*checked);
    if (!hold.Held() || guard_->Check(*checked) != checked) return;
    if (!qiv::commands::RemoveLinksInside(*checked) || !hold.Unchanged()) return;
    // The shell deletes the very text that was checked. The source list ends with
    // two zero units. Without FOF_ALLOWUNDO the tree is deleted for good, not
    // moved to the recycle bin.
    std::wstring source = *checked;
    source.append(2, L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = nullptr;
    operation.wFunc = FO_DELETE;
    operation.pFrom = source.c_str();
    operation.pTo = nullptr;
    operation.fFlags = kDeleteFlags;
    SHFileOperationW(&operation);
    hold.RemoveEmptyDirectory();
  }

  bool fullMode_;
  std::optional<qiv::commands::InstallDirectoryGuard> guard_;
};

}  // namespace

void UninstallGames(String::_tstringW mode) {
  const bool fullMode = mode.CompareNoCase(String::_tstringW(kFullMode)) == 0;
  CRegistryKey product;
  if (product.Open(HKEY_LOCAL_MACHINE, kProductKey, KEY_ENUMERATE_SUB_KEYS) != ERROR_SUCCESS) {
    return;
  }
  GameRemover remover(fullMode);
  // A name seen once is never handled again, so stepping back over a vanished
  // entry can neither repeat a game nor loop.
  std::set<std::wstring> visited;
  DWORD index = 0;
  while (true) {
    wchar_t name[kGameNameCapacity] = {};
    DWORD size = kGameNameCapacity;
    FILETIME lastWrite{};
    const LONG status =
        RegEnumKeyExW(product.Handle(), index, name, &size, nullptr, nullptr, nullptr, &lastWrite);
    ++index;
    // A name too long for the buffer is passed over; any other failure (the key
    // deleted meanwhile, access denied) would repeat for every index.
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    // An empty name would make the game path the product key itself.
    if (name[0] == 0 || !visited.insert(name).second) continue;
    // The entries after a removed game move up by one.
    if (remover.Remove(std::wstring(kProductKey) + L"\\" + name)) --index;
  }
  product.Close();

  // Succeeds only when no game is left; the company key above stays.
  CRegistryKey leftover;
  if (leftover.Open(HKEY_LOCAL_MACHINE, kProductKey, KEY_QUERY_VALUE) == ERROR_SUCCESS) {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kProductKey);
    leftover.Close();
  }
}
