// Where the program's libraries come from. The kits start the program elevated
// from folders the user's own programs can write, so no library may be taken from
// the program's folder or the current one: only from the system folder.
#pragma once

namespace qiv::platform {

// Makes every later load by name search the system folder only (and SearchPath
// safe). Runs before anything else of the program; calling it again does nothing.
// The stand-in loads no libraries: there it does nothing.
void RestrictLibrarySearchToSystemFolder();

}  // namespace qiv::platform
