#include "removal/install_path_guard.h"

namespace qiv::removal {

using qiv::paths::WindowsPath;

std::optional<WindowsPath> CheckInstallDirectory(const std::wstring& installDirectory,
                                                 const qiv::platform::ProtectedFolders& folders) {
  std::optional<WindowsPath> directory =
      qiv::paths::NormaliseWindowsPath(installDirectory, folders.currentDrive);
  if (!directory || directory->IsRoot()) return std::nullopt;
  for (const std::wstring& text : folders.kept) {
    const auto kept = qiv::paths::NormaliseWindowsPath(text, folders.currentDrive);
    if (kept && directory->Contains(*kept)) return std::nullopt;
  }
  for (const std::wstring& text : folders.keptWithChildren) {
    const auto kept = qiv::paths::NormaliseWindowsPath(text, folders.currentDrive);
    if (!kept) continue;
    WindowsPath parent = *directory;
    parent.components.pop_back();
    if (directory->Contains(*kept) || parent.Folded() == kept->Folded()) {
      return std::nullopt;
    }
  }
  for (const std::wstring& text : folders.sealed) {
    const auto sealed = qiv::paths::NormaliseWindowsPath(text, folders.currentDrive);
    if (sealed && (directory->Contains(*sealed) || sealed->Contains(*directory))) {
      return std::nullopt;
    }
  }
  return directory;
}

}  // namespace qiv::removal
