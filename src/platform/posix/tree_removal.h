// Removal of a file or a whole directory tree that never follows symbolic links:
// a link met anywhere, the named path included, is removed as a link and what it
// points to stays. Directories are entered with openat(O_NOFOLLOW | O_DIRECTORY),
// so a directory swapped for a link while the removal runs is not followed either.
#pragma once

#include <string>

namespace qiv::posix {

// Removes what it can and carries on past failures. Returns 0 when everything is
// gone, else the errno of the first failure. "/" and "." are refused with EPERM;
// the last name of `path` must not be "..".
int RemoveTree(const std::string& path);

}  // namespace qiv::posix
