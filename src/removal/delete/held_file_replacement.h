// Replacing one file in a folder that others may write, through the handle of the
// folder rather than by names: nothing planted there beforehand (a link or a hard
// link under the temporary name, a link in the file's place) can redirect the write.
#pragma once

#include <optional>
#include <string>

#include "platform/win32.h"

namespace qiv::removal {

// Where a file lies: its folder as a drive or share path without a trailing
// separator, and its name in it.
struct FilePlace {
  std::wstring folder;
  std::wstring name;
};

// The place of the file that `path` names, from the system's full path of it (the
// folders keep trailing dots and blanks; only the file's own name loses them, as
// every file function reads the path). Nothing for a path without a folder.
std::optional<FilePlace> PlaceOfFile(const std::wstring& path);

// Writes `bytes` to a new file in `folder` (a handle with listing access), created
// under a fresh name that must not exist yet in any form (with `attributes`), and
// then puts that file in the place of `name` through the same folder handle. An
// entry at `name`, a link included, is replaced as an entry; no link is written
// through. On failure the folder is as it was and no temporary file stays.
bool ReplaceFileInFolder(HANDLE folder, const std::wstring& name, const std::string& bytes,
                         DWORD attributes = FILE_ATTRIBUTE_NORMAL);

// What lies at a name in a held folder, opened as itself: never what a link leads
// to, and never the data of a file that has other names too (a hard link planted
// there reaches a file elsewhere).
struct HeldEntry {
  enum class Kind {
    kNone,        // nothing of that name
    kOwnFile,     // a plain file of this one name, read whole
    kOther,       // a link, a hard link, a folder: nothing is read through it
    kUnreadable,  // refused, or larger than the limit
  };
  Kind kind = Kind::kUnreadable;
  DWORD attributes = 0;
  std::string bytes;
};
HeldEntry ReadEntryInFolder(HANDLE folder, const std::wstring& name, size_t limit);

}  // namespace qiv::removal
