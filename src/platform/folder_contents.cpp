#include "platform/folder_contents.h"

#include <algorithm>

#include "base/paths/windows_path.h"
#include "platform/current_drive.h"

namespace qiv::platform {

FolderContents::FolderContents(const std::wstring& folder) : currentDrive_(CurrentDrive()) {
  if (folder.empty()) return;
  if (const std::optional<ResolvedFolder> resolved = ResolveFolder(folder)) {
    folder_ = resolved->identity;
  }
}

bool FolderContents::Contains(const std::wstring& path) const {
  if (!folder_) return false;
  // Windows removes "." and ".." before it looks anything up, so walking up the
  // normalised names always walks towards the volume root.
  std::optional<paths::WindowsPath> probe = paths::NormaliseWindowsPath(path, currentDrive_);
  if (!probe) return false;
  // The volume root is never inside a folder, so the walk stops above it.
  while (!probe->IsRoot()) {
    if (const std::optional<ResolvedFolder> resolved = ResolveFolder(probe->Text())) {
      return resolved->identity == *folder_ ||
             std::find(resolved->ancestors.begin(), resolved->ancestors.end(), *folder_) !=
                 resolved->ancestors.end();
    }
    probe->components.pop_back();
  }
  return false;
}

bool FolderContents::IsTheFolder(const std::wstring& path) const {
  if (!folder_) return false;
  const std::optional<paths::WindowsPath> probe = paths::NormaliseWindowsPath(path, currentDrive_);
  if (!probe || probe->IsRoot()) return false;
  const std::optional<ResolvedFolder> resolved = ResolveFolder(probe->Text());
  return resolved && resolved->identity == *folder_;
}

}  // namespace qiv::platform
