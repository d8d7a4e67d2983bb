#include "installconfig/install_config_items.h"

#include "installconfig/install_config.h"

namespace qiv::installconfig {

namespace {

// An item list begins at the first "item" child and runs through every later
// sibling element, whatever its name.
std::vector<RegistryItem> ReadItemList(const TiXmlElement* list) {
  std::vector<RegistryItem> items;
  if (list == nullptr) return items;
  for (const TiXmlElement* item = list->FirstChildElement("item"); item != nullptr;
       item = item->NextSiblingElement()) {
    RegistryItem entry;
    // Registry names are read in the ANSI code page, as the installer wrote them.
    entry.root = ParseRootKeyName(String::_tstringW(item->Attribute("rootpath")));
    entry.path = String::_tstringW(item->Attribute("path"));
    items.push_back(std::move(entry));
  }
  return items;
}

}  // namespace

std::vector<RegistryItemGroup> ReadRegistryItemGroups(const TiXmlElement& root) {
  std::vector<RegistryItemGroup> groups;
  for (const TiXmlElement* registry = root.FirstChildElement("registry"); registry != nullptr;
       registry = registry->NextSiblingElement("registry")) {
    RegistryItemGroup group;
    group.vantorItems = ReadItemList(registry->FirstChildElement("vantoritems"));
    group.appItems = ReadItemList(registry->FirstChildElement("appitems"));
    groups.push_back(std::move(group));
  }
  return groups;
}

TiXmlElement* FindShortcutElement(TiXmlElement& root) { return root.FirstChildElement("shortcut"); }

ShortcutFiles ReadShortcutFiles(const TiXmlElement& shortcut) {
  // File paths are UTF-8 text.
  ShortcutFiles files;
  files.desktop.AssignUtf8(shortcut.Attribute("desktop"));
  files.startMenu.AssignUtf8(shortcut.Attribute("startmenu"));
  return files;
}

}  // namespace qiv::installconfig
