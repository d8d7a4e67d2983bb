// Whether a game's install directory may be deleted for good, judged by what the
// system resolves its path to, never by how the path is spelt.
//
// The protected folders are resolved once, when the guard is made. An install
// directory is refused when its text fails the first look (install_path_guard.h),
// when it is a kept folder or contains one, is a direct child of a folder kept with
// its children (the profiles folder), lies inside a sealed tree (the Windows
// directory), is a volume root, is not a plain directory, or is or lies below a link,
// junction or mount point. A protected folder that is itself a link protects what
// it leads to as well. An install directory that holds the folder of another
// installed product (installed_products.h) is refused too; an entry that names
// the install directory itself may be the game's own and does not count. Every
// comparison is by identity.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/folder_identity.h"
#include "platform/installed_products.h"
#include "platform/protected_folders.h"

namespace qiv::removal {

class InstallDirectoryGuard {
 public:
  // Reads the system's list of installed products as well.
  explicit InstallDirectoryGuard(qiv::platform::ProtectedFolders folders);
  InstallDirectoryGuard(qiv::platform::ProtectedFolders folders,
                        const std::vector<platform::InstalledProduct>& products);

  // The text to hand to the shell, naming exactly the folder that was checked
  // (the system's full path of it), or nothing when the directory is refused.
  std::optional<std::wstring> Check(const std::wstring& installDirectory) const;

 private:
  using IdentitySet =
      std::unordered_set<qiv::platform::FileIdentity, qiv::platform::FileIdentityHash>;

  struct ProductPlace {
    std::wstring path;
    qiv::platform::FileIdentity identity;
    size_t entry = 0;  // which product named it
  };

  void Protect(const std::wstring& path, IdentitySet* own);
  void Keep(const qiv::platform::ResolvedFolder& folder, IdentitySet* own);
  bool HoldsOtherProduct(const qiv::platform::ResolvedFolder& folder) const;

  qiv::platform::ProtectedFolders folders_;
  IdentitySet kept_;          // kept folders themselves
  IdentitySet holdsKept_;     // every folder above a kept one
  IdentitySet keepChildren_;  // folders whose direct children are kept
  IdentitySet sealed_;        // trees nothing may be deleted from
  std::vector<ProductPlace> productPlaces_;
  // Every folder at or above a product's folder, to the places it holds.
  std::unordered_multimap<qiv::platform::FileIdentity, size_t, qiv::platform::FileIdentityHash>
      productsAtOrBelow_;
};

}  // namespace qiv::removal
