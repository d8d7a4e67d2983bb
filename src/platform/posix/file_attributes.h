// The attributes Windows reports for a file system entry, from what the stand-in
// can learn of it: a symbolic link is a reparse point, and a directory as well
// when it leads to one; a file nobody may write is read-only.
#pragma once

#include <sys/stat.h>

#include "platform/win32.h"

namespace qiv::posix {

// `entry` is the entry's own status (not following a link). A link's target is
// looked up as `name` relative to `directoryFd` (AT_FDCWD: a path); an empty name
// counts as a link that leads nowhere.
DWORD EntryAttributes(const struct stat& entry, int directoryFd, const char* name);

}  // namespace qiv::posix
