#include "removal/delete/folder_chain_hold.h"

namespace qiv::removal {

namespace {

RecheckObserver recheckObserver = nullptr;

constexpr DWORD kOpenFlags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

// Where the names below the root begin: "C:\" or "\\server\share\". Zero when
// the path is neither.
size_t RootLength(const std::wstring& path) {
  if (path.size() > 3 && path[1] == L':' && path[2] == L'\\') return 3;
  if (path.rfind(L"\\\\", 0) != 0) return 0;
  const size_t server = path.find(L'\\', 2);
  if (server == std::wstring::npos) return 0;
  const size_t share = path.find(L'\\', server + 1);
  return share == std::wstring::npos ? 0 : share + 1;
}

// "\\?\" paths take every name literally: a folder whose name ends in a blank or
// dot is reached as itself, not as its neighbour without them.
std::wstring LiteralPath(const std::wstring& path) {
  if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

// The folder itself (never what a link leads to), with its identity; false when
// it cannot be opened or is not a plain directory.
bool Identify(HANDLE handle, qiv::platform::FileIdentity& identity) {
  DWORD attributes = 0;
  return qiv::platform::IdentifyHandle(handle, identity, &attributes) &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// A second look by path, sharing everything, so that it never disturbs a hold.
bool StillNames(const std::wstring& path, const qiv::platform::FileIdentity& held) {
  const qiv::platform::ScopedFile handle(CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, kOpenFlags, nullptr));
  qiv::platform::FileIdentity identity;
  return Identify(handle.Get(), identity) && identity == held;
}

}  // namespace

void SetRecheckObserver(RecheckObserver observer) { recheckObserver = observer; }

FolderChainHold::FolderChainHold(const std::wstring& directory) : directory_(directory) {
  const size_t root = RootLength(directory);
  if (root == 0 || directory.size() <= root || directory.back() == L'\\') return;
  for (std::wstring path = directory; path.size() > root; path.resize(path.rfind(L'\\'))) {
    Folder folder;
    folder.path = LiteralPath(path);
    // Listing access makes the share mode count; sharing read and write lets the
    // shell list and empty the folders, and withholding delete refuses a rename.
    folder.handle.Reset(CreateFileW(folder.path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    kOpenFlags, nullptr));
    const bool plain = Identify(folder.handle.Get(), folder.identity);
    folders_.push_back(std::move(folder));
    if (!plain) return;
  }
  held_ = !folders_.empty();
}

bool FolderChainHold::Unchanged() const {
  if (!held_) return false;
  if (recheckObserver != nullptr) recheckObserver(directory_);
  for (const Folder& folder : folders_) {
    qiv::platform::FileIdentity identity;
    if (!Identify(folder.handle.Get(), identity) || !(identity == folder.identity) ||
        !StillNames(folder.path, identity)) {
      return false;
    }
  }
  return true;
}

bool FolderChainHold::RemoveEmptyDirectory() {
  if (!held_) return false;
  Folder& directory = folders_.front();
  directory.handle.Reset();
  // Shares no deletion either, so the folder cannot be moved away meanwhile.
  directory.handle.Reset(CreateFileW(directory.path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     kOpenFlags, nullptr));
  qiv::platform::FileIdentity identity;
  if (!Identify(directory.handle.Get(), identity) || !(identity == directory.identity))
    return false;
  // Fails, and deletes nothing, while anything is left inside.
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(directory.handle.Get(), FileDispositionInfo, &disposition,
                                    sizeof(disposition)) != FALSE;
}

}  // namespace qiv::removal
