// Links inside an install directory, removed before the directory is deleted.
#pragma once

#include <string>

namespace qiv::commands {

// Removes every link, junction and other reparse point inside the tree as the
// link itself, never what it points to, so that deleting the tree afterwards
// cannot reach outside it whatever a version of the shell does with links.
// `directory` is a full drive or share path. False when a folder could not be
// listed or a link could not be removed: the tree must then be left as it is.
bool RemoveLinksInside(const std::wstring& directory);

}  // namespace qiv::commands
