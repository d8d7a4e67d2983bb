// A directory and every folder above it, held open from the check of the
// directory until its deletion is done.
//
// Each folder is opened without FILE_SHARE_DELETE and with a data access, so that
// while the hold lasts Windows refuses to rename or delete any of them, and so
// none can be swapped for another folder or a link between the check and the
// deletion. (A handle with attribute access only would not count: the system
// ignores its share mode.) The POSIX stand-in cannot refuse such a rename; there
// the comparison through the handles is what catches it.
#pragma once

#include <string>
#include <vector>

#include "platform/folder_identity.h"
#include "platform/scoped_win32.h"
#include "platform/win32.h"

namespace qiv::removal {

class FolderChainHold {
 public:
  // `directory` is a drive or share path without a trailing separator, as the
  // install directory guard hands it out. The volume or share root is not held:
  // it cannot be renamed.
  explicit FolderChainHold(const std::wstring& directory);
  FolderChainHold(const FolderChainHold&) = delete;
  FolderChainHold& operator=(const FolderChainHold&) = delete;

  // Every folder on the way is held, and each is a plain directory, not a link,
  // junction or mount point.
  bool Held() const { return held_; }

  // Each path still names the very folder held for it, compared by identity
  // through the held handles, and is still a plain directory.
  bool Unchanged() const;

  // The held directory's handle (listing access), for opening its entries relative
  // to it; INVALID_HANDLE_VALUE unless Held(). It stays the hold's.
  HANDLE DirectoryHandle() const {
    return held_ ? folders_.front().handle.Get() : INVALID_HANDLE_VALUE;
  }

  // Deletes the held directory itself once it is empty. The shell cannot: the
  // hold refuses it the deletion of the folder it was given, after it removed
  // everything inside. The hold on the directory ends here; the folder is
  // deleted only when its path still names the one that was held. False when it
  // stays (anything left inside, or refused).
  bool RemoveEmptyDirectory();

  // The held directory's path, taken literally ("\\?\..."), as it names what
  // remains inside for a deletion at the next restart.
  const std::wstring& DirectoryPath() const { return folders_.front().path; }

 private:
  struct Folder {
    std::wstring path;  // taken literally ("\\?\"), so trailing blanks stay
    qiv::platform::ScopedFile handle;
    qiv::platform::FileIdentity identity;
  };

  std::wstring directory_;
  std::vector<Folder> folders_;  // the directory first, the folder below the root last
  bool held_ = false;
};

// Test seam: called by Unchanged() before it compares, so that a test can change
// the folders between the check and the deletion. Null, the default, does nothing.
using RecheckObserver = void (*)(const std::wstring& directory);
void SetRecheckObserver(RecheckObserver observer);

}  // namespace qiv::removal
