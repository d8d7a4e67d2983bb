// Undoing what a game's install configuration document lists, and writing the
// document back. The two removals load the document themselves and report only
// whether it could be read.
#pragma once

#include <string>

#include "installconfig/install_config.h"
#include "platform/tstring.h"

// Writes the whole document over the file at `path`, through handles of the held
// folder chain (the folder lies where a standard user may change it); false when
// the text would not read back or the folder cannot be held.
bool SaveInstallConfig(const InstallConfigDocument& document, const String::_tstringW& path);

// Deletes the desktop and start-menu shortcut files where shortcuts live
// (shortcut_places.h; `gameFolder` as for RemoveRegistryItems) and writes the
// document back without its "shortcut" element (only when it had one).
bool RemoveShortcuts(const String::_tstringW& documentPath,
                     const std::wstring& gameFolder = std::wstring());

// Deletes the registry key trees of the "vantoritems" lists (the first item whose
// root opens) and of the "appitems" lists (every item) of every "registry" element,
// each only when it is the game's (registry_tree_guard.h): what it names must lie in
// `gameFolder`, the install directory as the install directory guard passed it, and
// it must name that folder or lie in the product key that does. Without one (empty),
// no tree is the game's.
bool RemoveRegistryItems(const String::_tstringW& documentPath,
                         const std::wstring& gameFolder = std::wstring());
