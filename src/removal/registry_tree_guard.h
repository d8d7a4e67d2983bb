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
// whole is not deleted. Naming nothing elsewhere is no proof: every rule needs the
// game's folder named, by the tree's owner or, for a tree in a product key, by that
// product key in the machine's hive. Without a known install directory (none given,
// or one the install directory guard refuses) nothing is the game's.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace qiv::removal {

// What decides whether a listed tree goes: the rows of that table, in order.
enum class TreeOwnerRule {
  kNever,           // policy, start-up and shared keys
  kUninstallEntry,  // its InstallLocation, or else the programs it names, lie inside
  kAppPathsEntry,   // its program and its Path lie inside
  kClass,           // everything the class names lies inside, and it names something
  kFileExtension,   // the classes it names pass kClass
  // Any other tree below SOFTWARE: nothing of the owner key lies elsewhere, and the
  // game's folder is named, inside the owner key or (for a tree in a product key,
  // whichever hive) by the machine's product key of that name, in either view, which
  // names the game's folder itself and nothing elsewhere. A user's own key proves
  // nothing about the machine's.
  kNoOtherOwner,
};

struct TreeOwner {
  TreeOwnerRule rule = TreeOwnerRule::kNever;
  // The key whose contents decide, below the same root, as the item spells it.
  std::wstring ownerKey;
  // For a file extension: the classes key it lies in ("" for HKEY_CLASSES_ROOT).
  std::wstring classesKey;
  // The names the item's path is made of, as it spells them, and how many of them
  // name the owner key and the classes key (0: the root itself).
  std::vector<std::wstring> keys;
  size_t ownerDepth = 0;
  size_t classesDepth = 0;
  // For a tree in a product key SOFTWARE\<vendor>\<product>: that key's names below the
  // machine's root ("SOFTWARE", vendor, product), 32-bit mirrors left out; else empty.
  std::vector<std::wstring> productKey;
};

// The first look: which row of the table a tree falls in, from its path alone.
TreeOwner ClassifyRegistryTree(HKEY root, const std::wstring& path);

// True unless the first look already refuses the tree.
bool IsRegistryTreeRemovable(HKEY root, const std::wstring& path);

}  // namespace qiv::removal
