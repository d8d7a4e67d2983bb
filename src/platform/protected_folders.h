// The folders of this machine that an uninstaller must never delete.
#pragma once

#include <string>
#include <vector>

namespace qiv::platform {

struct ProtectedFolders {
  // Folders that the system or the user keeps (profiles, documents, desktops,
  // program and data roots, this program's own folder): neither they nor a folder
  // that contains one may be deleted.
  std::vector<std::wstring> kept;
  // The user profiles of this machine, every user's and not only the current one's;
  // each is kept with its standard folders (Desktop, Documents, AppData, ...).
  std::vector<std::wstring> profiles;
  // Folders whose every direct child is kept as well: the folder of user profiles.
  std::vector<std::wstring> keptWithChildren;
  // The system's own trees (the Windows directory): nothing in them may be deleted.
  std::vector<std::wstring> sealed;
  // The drive of paths that begin with one separator (see current_drive.h).
  std::wstring currentDrive;
};

// Windows-style absolute paths; folders the system cannot report are left out.
ProtectedFolders QueryProtectedFolders();

}  // namespace qiv::platform
