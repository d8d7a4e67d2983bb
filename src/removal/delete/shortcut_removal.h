// Deletion of one shortcut file that a game's install configuration names.
#pragma once

#include <string>

#include "removal/shortcut_places.h"

namespace qiv::removal {

// Deletes the file at `path` when it is a shortcut: the path passes the shortcut
// rule (shortcut_file_guard.h), and the object it names, opened as itself (a link
// is never followed), is a plain file whose long name as the system reports it
// passes the rule too, and it lies where `places` allows. The deletion goes through
// the handle that was checked, so the name cannot be turned to another file in
// between. True when it was deleted.
bool DeleteShortcutFile(const std::wstring& path, const ShortcutPlaces& places);

}  // namespace qiv::removal
