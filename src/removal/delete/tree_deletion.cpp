#include "removal/delete/tree_deletion.h"

#include <cstdint>
#include <memory>
#include <utility>

#include "platform/relative_name.h"
#include "removal/delete/quarantine.h"

namespace qiv::removal {

namespace {

using qiv::platform::ScopedFile;

constexpr DWORD kKindAttributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
constexpr DWORD kBlockingAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr ULONG kOpenOptions =
    FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT;
// A folder whose entries were all deleted and which still is not empty (something
// was added or renamed into it meanwhile) is listed again, at most this often.
constexpr int kListingRounds = 3;
constexpr size_t kListingBufferBytes = 64 * 1024;

ListingObserver listingObserver = nullptr;

struct ListedEntry {
  std::wstring name;
  uint64_t id = 0;
  DWORD attributes = 0;
};

struct Folder {
  ScopedFile owned;  // none for the top folder, which the caller holds
  HANDLE handle = nullptr;
  std::wstring path;
  std::wstring name;  // in its parent
  qiv::platform::FileIdentity identity;
  size_t depth = 0;
  std::vector<ListedEntry> pending;
  int rounds = 0;
  bool handledThisRound = false;
  // Something inside stays that another listing would not change (in use, denied,
  // a folder that stays). An entry that had changed since the listing is not such:
  // the next listing shows what is there now.
  bool stuck = false;
};

struct Opened {
  ScopedFile handle;
  BY_HANDLE_FILE_INFORMATION information{};
  NTSTATUS status = STATUS_SUCCESS;
};

Opened OpenEntry(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG share,
                 ULONG options) {
  Opened opened;
  qiv::platform::RelativeName relative(folder, name);
  IO_STATUS_BLOCK io{};
  HANDLE handle = nullptr;
  opened.status = NtOpenFile(&handle, access | SYNCHRONIZE, &relative.object, &io, share,
                             options | kOpenOptions);
  if (opened.status != STATUS_SUCCESS) return opened;
  opened.handle.Reset(handle);
  if (!GetFileInformationByHandle(handle, &opened.information)) {
    opened.status = STATUS_ACCESS_DENIED;
    opened.handle.Reset();
  }
  return opened;
}

// A folder that stays, opened again for its owner and DACL only: that needs no share mode
// and works while others have it open.
Opened OpenForSecurity(HANDLE parent, const std::wstring& name) {
  return OpenEntry(parent, name, WRITE_DAC | WRITE_OWNER | READ_CONTROL | FILE_READ_ATTRIBUTES,
                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_DIRECTORY_FILE);
}

qiv::platform::FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& information) {
  return {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
}

// Every entry of the folder but "." and "..", listed from its start through its
// handle. False when the folder cannot be listed.
bool ListFolder(HANDLE folder, const std::wstring& path, std::vector<uint64_t>& buffer,
                std::vector<ListedEntry>& entries) {
  entries.clear();
  const auto bytes = static_cast<DWORD>(buffer.size() * sizeof(uint64_t));
  FILE_INFO_BY_HANDLE_CLASS infoClass = FileIdBothDirectoryRestartInfo;
  while (GetFileInformationByHandleEx(folder, infoClass, buffer.data(), bytes)) {
    infoClass = FileIdBothDirectoryInfo;
    const auto* base = reinterpret_cast<const unsigned char*>(buffer.data());
    for (size_t offset = 0;;) {
      const auto* record = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(base + offset);
      ListedEntry entry;
      entry.name.assign(record->FileName, record->FileNameLength / sizeof(WCHAR));
      if (entry.name != L"." && entry.name != L"..") {
        entry.id = static_cast<uint64_t>(record->FileId.QuadPart);
        entry.attributes = record->FileAttributes;
        entries.push_back(std::move(entry));
      }
      if (record->NextEntryOffset == 0) break;
      offset += record->NextEntryOffset;
    }
  }
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  if (listingObserver != nullptr) listingObserver(path);
  return complete;
}

class Walk {
 public:
  Walk(TreeDeletionReport& report, Quarantine* quarantine)
      : report_(report), quarantine_(quarantine), buffer_(kListingBufferBytes / 8) {}

  void Run(HANDLE top, const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(top, &information)) {
      ++report_.changedEntries;
      return;
    }
    auto root = std::make_unique<Folder>();
    root->handle = top;
    root->path = path;
    root->identity = IdentityOf(information);
    stack_.push_back(std::move(root));
    while (!stack_.empty()) Step();
  }

 private:
  void Step() {
    Folder& folder = *stack_.back();
    if (folder.rounds == 0) {
      folder.rounds = 1;
      if (!ListFolder(folder.handle, folder.path, buffer_, folder.pending)) folder.stuck = true;
    }
    if (folder.pending.empty()) {
      Finish();
      return;
    }
    const ListedEntry entry = std::move(folder.pending.back());
    folder.pending.pop_back();
    folder.handledThisRound = true;
    Handle(folder, entry);
  }

  // Lists the folder again through a handle opened anew on it: a handle's listing
  // may be a snapshot taken at its first query (Wine keeps one), which a restart
  // of the listing would only repeat.
  bool Relist(Folder& folder) {
    Opened fresh =
        OpenEntry(folder.handle, L"", FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_DIRECTORY_FILE);
    if (fresh.status != STATUS_SUCCESS || !(IdentityOf(fresh.information) == folder.identity)) {
      return ListFolder(folder.handle, folder.path, buffer_, folder.pending);
    }
    return ListFolder(fresh.handle.Get(), folder.path, buffer_, folder.pending);
  }

  // Every listed entry was handled: the folder itself goes, or is listed again
  // when it is still not empty though nothing inside stayed.
  void Finish() {
    Folder& folder = *stack_.back();
    if (stack_.size() == 1) {
      // The top folder is the caller's; only whether anything is left matters.
      if (!folder.stuck && folder.handledThisRound && folder.rounds < kListingRounds) {
        ++folder.rounds;
        folder.handledThisRound = false;
        if (!Relist(folder)) folder.stuck = true;
        if (!folder.pending.empty()) return;
      }
      stack_.pop_back();
      return;
    }
    if (!folder.stuck) {
      if (DeleteByHandle(folder.handle)) {
        stack_.pop_back();
        return;
      }
      const DWORD error = GetLastError();
      if (error == ERROR_DIR_NOT_EMPTY && folder.rounds < kListingRounds) {
        ++folder.rounds;
        folder.handledThisRound = false;
        if (!Relist(folder)) folder.stuck = true;
        if (!folder.pending.empty()) return;
      }
    }
    // It stays: its parent keeps it, and it is held for the protection of what it
    // keeps, reopened through its parent for that.
    Folder& parent = *stack_[stack_.size() - 2];
    parent.stuck = true;
    RemainingFolder remaining;
    remaining.path = folder.path;
    remaining.depth = folder.depth;
    Opened security = OpenForSecurity(parent.handle, folder.name);
    if (security.status == STATUS_SUCCESS && IdentityOf(security.information) == folder.identity) {
      remaining.securityHandle = std::move(security.handle);
    }
    report_.remainingFolders.push_back(std::move(remaining));
    stack_.pop_back();
  }

  void Handle(Folder& folder, const ListedEntry& entry) {
    const bool listedFolder = (entry.attributes & kKindAttributes) == FILE_ATTRIBUTE_DIRECTORY;
    // A folder is entered and shares no deletion while it is: nobody can move it
    // away from under the walk.
    const ACCESS_MASK access = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES |
                               (listedFolder ? FILE_LIST_DIRECTORY : 0);
    const ULONG options = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                              ? FILE_DIRECTORY_FILE
                              : FILE_NON_DIRECTORY_FILE;
    const auto open = [&](ULONG share) {
      Opened result = OpenEntry(folder.handle, entry.name, access, share, options);
      if (result.status == STATUS_ACCESS_DENIED) {
        // Deletion may be granted where changing attributes is not.
        result =
            OpenEntry(folder.handle, entry.name, access & ~FILE_WRITE_ATTRIBUTES, share, options);
      }
      return result;
    };
    // A file is opened sharing nothing first: refused, another program has it open,
    // and a deletion would fail (a running image) or leave its name behind until
    // that program lets go (where deletions are not POSIX-style). Then it is opened
    // sharing everything, as the shell does, and goes into the quarantine.
    Opened opened = open(listedFolder ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0);
    const bool inUse = !listedFolder && opened.status == STATUS_SHARING_VIOLATION;
    if (inUse) opened = open(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (opened.status == STATUS_OBJECT_NAME_NOT_FOUND || opened.status == STATUS_DELETE_PENDING) {
      return;  // gone meanwhile, or going
    }
    const std::wstring path = folder.path + L"\\" + entry.name;
    if (opened.status == STATUS_NOT_A_DIRECTORY || opened.status == STATUS_FILE_IS_A_DIRECTORY) {
      ++report_.changedEntries;  // of another kind than listed: left alone
      return;
    }
    if (opened.status != STATUS_SUCCESS) {
      // In use without its deletion shared, or denied: it stays where it is.
      folder.stuck = true;
      if (listedFolder) {
        RemainingFolder remaining;
        remaining.path = path;
        remaining.depth = folder.depth + 1;
        Opened security = OpenForSecurity(folder.handle, entry.name);
        if (security.status == STATUS_SUCCESS &&
            (uint64_t{security.information.nFileIndexHigh} << 32 |
             security.information.nFileIndexLow) == entry.id) {
          remaining.securityHandle = std::move(security.handle);
        }
        report_.remainingFolders.push_back(std::move(remaining));
      } else {
        report_.remainingFiles.push_back(path);
      }
      return;
    }
    const qiv::platform::FileIdentity identity = IdentityOf(opened.information);
    const uint64_t id = (uint64_t{identity.indexHigh} << 32) | identity.indexLow;
    const DWORD kind = opened.information.dwFileAttributes & kKindAttributes;
    // Not what was listed (swapped meanwhile, or a link the system opened as its
    // target), or on another volume: left alone. A listing without file ids (some
    // file systems give none) leaves the kind and the volume to compare.
    if (kind != (entry.attributes & kKindAttributes) || (entry.id != 0 && id != entry.id) ||
        identity.volume != folder.identity.volume) {
      ++report_.changedEntries;
      return;
    }
    if (listedFolder) {
      auto child = std::make_unique<Folder>();
      child->handle = opened.handle.Get();
      child->owned = std::move(opened.handle);
      child->path = path;
      child->name = entry.name;
      child->identity = identity;
      child->depth = folder.depth + 1;
      stack_.push_back(std::move(child));
      return;
    }
    // A file, or a link of either kind, which goes as itself.
    ClearBlockingAttributes(opened.handle.Get(), opened.information.dwFileAttributes);
    // Nobody else has it open: it goes now, or is denied (a rename would be too).
    if (!inUse) {
      if (DeleteByHandle(opened.handle.Get())) return;
    } else if (quarantine_ != nullptr && quarantine_->Take(opened.handle.Get())) {
      // Gone once its holder lets go, where the system allows; else at the restart.
      DeleteByHandle(opened.handle.Get());
      return;
    } else if (DeleteByHandle(opened.handle.Get())) {
      return;  // without a quarantine, as well as it can go now
    }
    folder.stuck = true;
    report_.remainingFiles.push_back(path);
  }

  static void ClearBlockingAttributes(HANDLE handle, DWORD attributes) {
    if ((attributes & kBlockingAttributes) == 0) return;
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = attributes & ~(kBlockingAttributes | kKindAttributes);
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof(basic));
  }

  // POSIX semantics where the system offers them (the name goes at once, even
  // while another program still has the file open); else the classic disposition
  // (Windows 7, Wine). The object goes when the handle closes.
  bool DeleteByHandle(HANDLE handle) {
    if (posixDelete_) {
      FILE_DISPOSITION_INFO_EX extended{};
      extended.Flags = FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS |
                       FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE;
      if (SetFileInformationByHandle(handle, FileDispositionInfoEx, &extended, sizeof(extended))) {
        return true;
      }
      const DWORD error = GetLastError();
      if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED &&
          error != ERROR_INVALID_FUNCTION) {
        return false;
      }
      posixDelete_ = false;
    }
    FILE_DISPOSITION_INFO classic{};
    classic.DeleteFile = TRUE;
    return SetFileInformationByHandle(handle, FileDispositionInfo, &classic, sizeof(classic)) !=
           FALSE;
  }

  TreeDeletionReport& report_;
  Quarantine* quarantine_;
  std::vector<uint64_t> buffer_;
  std::vector<std::unique_ptr<Folder>> stack_;
  bool posixDelete_ = true;
};

}  // namespace

void SetListingObserver(ListingObserver observer) { listingObserver = observer; }

TreeDeletionReport DeleteTreeInside(HANDLE folder, const std::wstring& path,
                                    Quarantine* quarantine) {
  TreeDeletionReport report;
  Walk(report, quarantine).Run(folder, path);
  return report;
}

}  // namespace qiv::removal
