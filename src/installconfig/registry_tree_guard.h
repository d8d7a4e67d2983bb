// Which registry key trees an install configuration document may have deleted.
//
// The document comes with a game, and a wrong or empty path would delete keys that
// the system or every application depends on. The rule, applied after the path is
// normalised (separators, blank and "." components, ASCII case):
//  - Only trees inside a SOFTWARE key (of HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or the
//    running user's own hive in HKEY_USERS) or inside the classes (HKEY_CLASSES_ROOT,
//    SOFTWARE\Classes, that user's "_Classes" hive) are deletable; other users' hives
//    are theirs; the rest of every hive belongs to the system,
//    and so do HKEY_CURRENT_CONFIG and the performance roots.
//  - WOW6432Node mirrors its parent: the same rules apply below it.
//  - Shared containers are never deleted themselves (SOFTWARE, a vendor key that
//    several products share, Classes\CLSID, ...), but the keys of one product below
//    them are.
//  - SOFTWARE\Microsoft and SOFTWARE\Policies belong to the system, except the lists
//    where installers register a product (Uninstall, App Paths, ...).
//  - The system's own file classes (executables, shortcuts, folders, "*") are kept
//    whole; a game's own ".ext" or "Vendor.Document" class is deletable.
//  - A path with a ".." component is refused: the registry does not resolve it, and
//    nothing legitimate uses it.
#pragma once

#include <string>

#include "platform/win32.h"

namespace qiv::installconfig {

bool IsRegistryTreeRemovable(HKEY root, const std::wstring& path);

}  // namespace qiv::installconfig
