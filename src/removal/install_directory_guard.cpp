#include "removal/install_directory_guard.h"

#include <algorithm>

#include "base/strings/case_rules.h"
#include "platform/profile_folders.h"
#include "platform/win32.h"
#include "removal/install_path_guard.h"

namespace qiv::removal {

namespace {

// A buffer on the stack serves nearly every path; a longer one is measured first.
std::optional<std::wstring> FullPathName(const std::wstring& path) {
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0) return std::nullopt;
  if (length < MAX_PATH) return std::wstring(buffer, length);
  std::wstring full(length, L'\0');
  const DWORD written = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
  if (written == 0 || written >= length) return std::nullopt;
  full.resize(written);
  return full;
}

// The system's full path of the directory, in the one form that the shell, the
// file functions and this guard all read alike: a drive or share path that the
// system's normalisation leaves as it is, without a trailing separator. Literal
// "\\?\" and "\\.\" paths count only when they need no normalisation at all.
std::optional<std::wstring> CanonicalText(const std::wstring& installDirectory) {
  std::wstring text = installDirectory;
  std::replace(text.begin(), text.end(), L'/', L'\\');
  if (text.rfind(L"\\\\?\\", 0) == 0 || text.rfind(L"\\\\.\\", 0) == 0) {
    text = String::StartsWithKeyword(text.c_str() + 4, L"UNC\\") ? L"\\\\" + text.substr(8)
                                                                 : text.substr(4);
  } else {
    const auto full = FullPathName(text);
    if (!full) return std::nullopt;
    text = *full;
    if (text.size() > 3 && text.back() == L'\\') text.pop_back();
  }
  const auto again = FullPathName(text);
  if (!again || *again != text || text.empty() || text.back() == L'\\') return std::nullopt;
  const bool drive = text.size() > 3 && text[1] == L':' && text[2] == L'\\';
  const bool share =
      text.rfind(L"\\\\", 0) == 0 && text.size() > 2 && text[2] != L'?' && text[2] != L'.';
  if (!drive && !share) return std::nullopt;
  return text;
}

// Every folder named on the way to the directory, as written: none may be a
// link, junction or mount point, or the shell could reach somewhere else by it.
bool NoLinkOnTheWay(const std::wstring& text) {
  size_t start = 3;
  if (text.rfind(L"\\\\", 0) == 0) {
    start = text.find(L'\\', 2);
    start = start == std::wstring::npos ? text.size() : text.find(L'\\', start + 1);
    if (start == std::wstring::npos) return false;
    ++start;
  }
  for (size_t at = start; at <= text.size(); ++at) {
    if (at != text.size() && text[at] != L'\\') continue;
    const DWORD attributes = GetFileAttributesW(text.substr(0, at).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      return false;
    }
  }
  return true;
}

// The default places stay kept where the system reports others: a folder moved
// elsewhere often leaves files behind.
void ExpandProfiles(qiv::platform::ProtectedFolders& folders) {
  for (const std::wstring& profile : folders.profiles) {
    qiv::platform::AddProfileFolders(profile, folders.kept);
  }
}

}  // namespace

InstallDirectoryGuard::InstallDirectoryGuard(qiv::platform::ProtectedFolders folders)
    : InstallDirectoryGuard(std::move(folders), platform::QueryInstalledProducts()) {}

InstallDirectoryGuard::InstallDirectoryGuard(
    qiv::platform::ProtectedFolders folders,
    const std::vector<platform::InstalledProduct>& products)
    : folders_(std::move(folders)) {
  ExpandProfiles(folders_);
  for (const std::wstring& path : folders_.kept) Protect(path, nullptr);
  for (const std::wstring& path : folders_.keptWithChildren) Protect(path, &keepChildren_);
  for (const std::wstring& path : folders_.sealed) Protect(path, &sealed_);
  for (size_t entry = 0; entry < products.size(); ++entry) {
    for (const std::wstring& path : products[entry].locations) {
      // A product reached through a link keeps its files where the link leads.
      const auto folder = qiv::platform::ResolveFolder(path, true);
      if (!folder) continue;
      const size_t place = productPlaces_.size();
      productPlaces_.push_back({path, folder->identity, entry});
      productsAtOrBelow_.emplace(folder->identity, place);
      for (const auto& above : folder->ancestors) productsAtOrBelow_.emplace(above, place);
    }
  }
}

// A folder that does not exist or cannot be opened has no identity to protect;
// the first look still refuses its usual spellings. A kept folder that is a link,
// junction or mount point keeps what it leads to as well (a Documents moved to
// another drive by a junction), with every folder that holds it.
void InstallDirectoryGuard::Protect(const std::wstring& path, IdentitySet* own) {
  const auto folder = qiv::platform::ResolveFolder(path);
  if (!folder) return;
  Keep(*folder, own);
  if ((folder->attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return;
  if (const auto target = qiv::platform::ResolveFolder(path, true)) Keep(*target, own);
}

void InstallDirectoryGuard::Keep(const qiv::platform::ResolvedFolder& folder, IdentitySet* own) {
  kept_.insert(folder.identity);
  if (own != nullptr) own->insert(folder.identity);
  holdsKept_.insert(folder.ancestors.begin(), folder.ancestors.end());
}

// Another product's folder inside the directory, where it still is now: a product
// whose folder has gone since the list was read (a nested game removed first)
// has nothing left to lose. An entry that names the directory itself is taken
// for the game's own.
bool InstallDirectoryGuard::HoldsOtherProduct(const qiv::platform::ResolvedFolder& folder) const {
  const auto [first, last] = productsAtOrBelow_.equal_range(folder.identity);
  if (first == last) return false;
  std::unordered_set<size_t> own;
  for (auto it = first; it != last; ++it) {
    const ProductPlace& place = productPlaces_[it->second];
    if (place.identity == folder.identity) own.insert(place.entry);
  }
  for (auto it = first; it != last; ++it) {
    const ProductPlace& place = productPlaces_[it->second];
    if (own.contains(place.entry)) continue;
    const auto now = qiv::platform::ResolveFolder(place.path, true);
    if (now && now->identity == place.identity &&
        std::find(now->ancestors.begin(), now->ancestors.end(), folder.identity) !=
            now->ancestors.end()) {
      return true;
    }
  }
  return false;
}

std::optional<std::wstring> InstallDirectoryGuard::Check(
    const std::wstring& installDirectory) const {
  if (!CheckInstallDirectory(installDirectory, folders_)) return std::nullopt;
  const auto text = CanonicalText(installDirectory);
  if (!text || !NoLinkOnTheWay(*text)) return std::nullopt;
  const auto folder = qiv::platform::ResolveFolder(*text);
  if (!folder || !folder->complete || folder->ancestors.empty() || folder->ancestorIsReparsePoint ||
      (folder->attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (folder->attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return std::nullopt;
  }
  if (kept_.contains(folder->identity) || holdsKept_.contains(folder->identity) ||
      sealed_.contains(folder->identity) || keepChildren_.contains(folder->ancestors.front())) {
    return std::nullopt;
  }
  for (const auto& above : folder->ancestors) {
    if (sealed_.contains(above)) return std::nullopt;
  }
  if (HoldsOtherProduct(*folder)) return std::nullopt;
  return text;
}

}  // namespace qiv::removal
