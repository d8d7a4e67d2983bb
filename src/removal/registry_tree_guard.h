// Which registry key trees an install configuration document may have deleted.
//
// The document comes with a game and lies in a folder a standard user can often
// change, while the uninstaller runs elevated: a wrong, careless or hostile item
// must not delete what the system or another program owns. Two looks decide.
//
// First, the path alone, normalised (separators, blank and "." components, case as
// registry names fold in base/strings/case_rules.h; a ".." component is refused, the
// registry does not resolve it):
//  - Only trees inside a SOFTWARE key (of HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or the
//    running user's own hive in HKEY_USERS) or inside the classes (HKEY_CLASSES_ROOT,
//    SOFTWARE\Classes, that user's "_Classes" hive) are deletable; other users' hives
//    are theirs; the rest of every hive belongs to the system,
//    and so do HKEY_CURRENT_CONFIG and the performance roots.
//  - WOW6432Node mirrors its parent: the same rules apply below it.
//  - Shared containers are never deleted themselves (SOFTWARE, a vendor key that
//    several products share, Classes\CLSID, ...), nor the system's own file classes
//    (executables, shortcuts, folders, "*").
//
// Second, whose the tree is, read from the registry (registry_tree_owner.h). The
// path says which key's contents decide (the "owner"); "inside" means inside the
// game's install directory, compared by folder identity. Which tree is decided by
// which rule, and when each rule lets it go, is the table in docs/uninstalling-games.md
// ("Registry, whose it is"), kept there once; TreeOwnerRule names its rows.
//
// A path in a value is a drive or share path (quoted or not, "@" resource form, with
// arguments after it) or one that begins with an environment variable; one that
// cannot be placed counts as outside. The keys "command", "DefaultIcon" and the COM
// server keys name a program in their default value, whatever its form: a missing,
// relative or unplaceable one counts as outside. A tree too large or deep to read
// whole is not deleted. Without a known install directory (none given, or one the
// install directory guard refuses) nothing lies inside, so only trees that name no
// path at all can go.
#pragma once

#include <string>

#include "platform/win32.h"

namespace qiv::removal {

// What decides whether a listed tree goes: the rows of that table, in order.
enum class TreeOwnerRule {
  kNever,
  kUninstallEntry,
  kAppPathsEntry,
  kClass,
  kFileExtension,
  kNoOtherOwner,
};

struct TreeOwner {
  TreeOwnerRule rule = TreeOwnerRule::kNever;
  // The key whose contents decide, below the same root, as the item spells it.
  std::wstring ownerKey;
  // For a file extension: the classes key it lies in ("" for HKEY_CLASSES_ROOT).
  std::wstring classesKey;
};

// The first look: which row of the table a tree falls in, from its path alone.
TreeOwner ClassifyRegistryTree(HKEY root, const std::wstring& path);

// True unless the first look already refuses the tree.
bool IsRegistryTreeRemovable(HKEY root, const std::wstring& path);

}  // namespace qiv::removal
