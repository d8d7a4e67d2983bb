// Deletion of everything inside a held folder, through handles only.
//
// A walk by names cannot be made safe in a tree that others can write to: between
// the listing and the deletion a folder can be renamed and a link to someone else's
// files put in its place. So every folder is listed through its open handle, every
// entry is opened relative to its folder's handle under the name the listing gave
// (taken literally, a link opened as itself), and it is deleted only when it is
// still what the listing described: the same file id and the same kind. Whatever is
// not is left alone, and so are the folders above it. Links go as links. No path is
// formed to reach anything and the walk keeps its own stack, so depth and path
// length do not matter.
//
// What cannot go now (in use) is moved into the quarantine when one is given
// (quarantine.h), so that its folders can go at once.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/folder_identity.h"
#include "platform/scoped_win32.h"
#include "platform/win32.h"

namespace qiv::removal {

class Quarantine;

// A folder that kept something, held for the protection of its contents.
struct RemainingFolder {
  std::wstring path;  // literal ("\\?\..."), for a deletion at the next restart
  size_t depth = 0;   // 1 for an entry of the top folder
  qiv::platform::ScopedFile securityHandle;  // WRITE_DAC and WRITE_OWNER, or none
};

struct TreeDeletionReport {
  // Files that could neither be deleted nor moved into the quarantine (held
  // without sharing deletion, denied), by literal path. They stay where they are.
  std::vector<std::wstring> remainingFiles;
  // Folders that are still there, the deepest last of its branch.
  std::vector<RemainingFolder> remainingFolders;
  // Entries left alone because they were not what the listing said, or a link the
  // system would not open as itself. They are not scheduled for anything.
  size_t changedEntries = 0;
  bool Empty() const {
    return remainingFiles.empty() && remainingFolders.empty() && changedEntries == 0;
  }
};

// Deletes everything inside the folder `folder` (a handle with listing access;
// it stays open and the folder itself stays). `path` is that folder's literal path,
// used only to name what remains. What is in use goes into `quarantine` when one
// is given and takes it. Never fails: what cannot go is reported.
TreeDeletionReport DeleteTreeInside(HANDLE folder, const std::wstring& path,
                                    Quarantine* quarantine = nullptr);

// Test seam: called with a folder's literal path each time it has been listed, so
// that a test can change the tree between the listing and the deletion. Null, the
// default, does nothing.
using ListingObserver = void (*)(const std::wstring& folder);
void SetListingObserver(ListingObserver observer);

}  // namespace qiv::removal
