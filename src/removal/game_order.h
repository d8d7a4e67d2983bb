// The order in which UninstallGames removes the registered games.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/folder_identity.h"

namespace qiv::removal {

// The games as listed, except that a game whose install directory lies inside
// another game's goes before it (the deepest first): deleting the outer folder
// first would take the inner game's document, and with it the list of that
// game's shortcuts and registry items. `folders[i]` is where game i's install
// directory resolves to, or nothing. Returns the indices of every game once.
std::vector<size_t> RemovalOrder(
    const std::vector<std::optional<qiv::platform::ResolvedFolder>>& folders);

}  // namespace qiv::removal
