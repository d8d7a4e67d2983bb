// Whether a game's install directory may be deleted for good, judged by what the
// system resolves its path to, never by how the path is spelt.
//
// The protected folders are resolved once, when the guard is made. An install
// directory is refused when its text fails the first look (install_path_guard.h),
// when it is a kept folder or contains one, is a direct child of a folder kept with
// its children (the profiles folder), lies inside a sealed tree (the Windows
// directory), is a volume root, is not a plain directory, or is or lies below a link,
// junction or mount point. Every comparison is by identity.
#pragma once

#include <optional>
#include <string>
#include <unordered_set>

#include "base/paths/folder_identity.h"
#include "platform/protected_folders.h"

namespace qiv::commands {

class InstallDirectoryGuard {
 public:
  explicit InstallDirectoryGuard(qiv::platform::ProtectedFolders folders);

  // The text to hand to the shell, naming exactly the folder that was checked
  // (the system's full path of it), or nothing when the directory is refused.
  std::optional<std::wstring> Check(const std::wstring& installDirectory) const;

 private:
  using IdentitySet = std::unordered_set<qiv::paths::FileIdentity, qiv::paths::FileIdentityHash>;

  void Protect(const std::wstring& path, IdentitySet* own);

  qiv::platform::ProtectedFolders folders_;
  IdentitySet kept_;          // kept folders themselves
  IdentitySet holdsKept_;     // every folder above a kept one
  IdentitySet keepChildren_;  // folders whose direct children are kept
  IdentitySet sealed_;        // trees nothing may be deleted from
};

}  // namespace qiv::commands
