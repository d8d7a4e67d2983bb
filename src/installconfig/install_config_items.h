// What the install configuration document lists: registry key trees and the two
// shortcut files of a game.
#pragma once

#include <tinyxml.h>

#include <vector>

#include "platform/tstring.h"
#include "platform/win32.h"

namespace qiv::installconfig {

struct RegistryItem {
  HKEY root = HKEY_CLASSES_ROOT;
  String::_tstringW path;
};

// The items of one "registry" element. "vantoritems" and "appitems" are read alike
// but removed differently.
struct RegistryItemGroup {
  std::vector<RegistryItem> vantorItems;
  std::vector<RegistryItem> appItems;
};

struct ShortcutFiles {
  String::_tstringW desktop;
  String::_tstringW startMenu;
};

// Every "registry" child of the root, in document order, whatever its language.
std::vector<RegistryItemGroup> ReadRegistryItemGroups(const TiXmlElement& root);

// The first "shortcut" child of the root, or null.
TiXmlElement* FindShortcutElement(TiXmlElement& root);
ShortcutFiles ReadShortcutFiles(const TiXmlElement& shortcut);

}  // namespace qiv::installconfig
