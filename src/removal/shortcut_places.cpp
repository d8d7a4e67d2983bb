#include "removal/shortcut_places.h"

#include <algorithm>

namespace qiv::removal {

namespace {

using qiv::platform::FileIdentity;

// A shell folder that is a link holds what lies where it leads.
void Resolve(const std::vector<std::wstring>& paths, std::vector<FileIdentity>& identities) {
  for (const std::wstring& path : paths) {
    if (path.empty()) continue;
    if (const auto resolved = qiv::platform::ResolveFolder(path, true)) {
      identities.push_back(resolved->identity);
    }
  }
}

bool Among(const FileIdentity& identity, const std::vector<FileIdentity>& list) {
  return std::find(list.begin(), list.end(), identity) != list.end();
}

}  // namespace

ShortcutPlaces::ShortcutPlaces(const qiv::platform::ShortcutFolders& folders,
                               const std::wstring& gameFolder) {
  Resolve(folders.desktops, desktops_);
  Resolve(folders.startMenus, startMenus_);
  if (!gameFolder.empty()) {
    if (const auto resolved = qiv::platform::ResolveFolder(gameFolder)) {
      game_ = resolved->identity;
    }
  }
}

bool ShortcutPlaces::Allows(HANDLE file) const {
  // The folder the file lies in, as the system resolves the file's own path.
  const std::wstring path = qiv::platform::FinalPath(file);
  const size_t separator = path.find_last_of(L'\\');
  if (separator == std::wstring::npos) return false;
  const auto folder = qiv::platform::ResolveFolder(path.substr(0, separator), true);
  if (!folder) return false;
  if (Among(folder->identity, desktops_) || Among(folder->identity, startMenus_)) return true;
  const auto below = [&folder](const FileIdentity& identity) {
    return std::find(folder->ancestors.begin(), folder->ancestors.end(), identity) !=
           folder->ancestors.end();
  };
  if (std::any_of(startMenus_.begin(), startMenus_.end(), below)) return true;
  return game_ && (folder->identity == *game_ || below(*game_));
}

}  // namespace qiv::removal
