// Where a shortcut file that a game's document lists may be deleted: directly in
// the user's or the common Desktop, in a Start Menu or anywhere below it (its
// Programs folders), or anywhere in the game's folder. Elsewhere (another user's
// desktop, any other folder) a ".lnk" or ".url" file is someone else's. Judged by
// the identity of the folder the file lies in, as the system resolves it, so no
// alias of a folder (a link, another drive letter, a short name) counts for more
// or less than the folder itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/folder_identity.h"
#include "platform/shortcut_folders.h"
#include "platform/win32.h"

namespace qiv::removal {

class ShortcutPlaces {
 public:
  // The folders are resolved once, here; `gameFolder` is the install directory as
  // the install directory guard passed it, or empty when it was refused.
  ShortcutPlaces(const qiv::platform::ShortcutFolders& folders, const std::wstring& gameFolder);

  // Whether the file `file` has open (opened as itself) lies in such a place.
  bool Allows(HANDLE file) const;

 private:
  std::vector<qiv::platform::FileIdentity> desktops_;
  std::vector<qiv::platform::FileIdentity> startMenus_;
  std::optional<qiv::platform::FileIdentity> game_;
};

}  // namespace qiv::removal
