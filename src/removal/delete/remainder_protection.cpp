#include "removal/delete/remainder_protection.h"

#include <algorithm>

#include "platform/folder_identity.h"
#include "platform/scoped_win32.h"
#include "removal/delete/administrators_only.h"

namespace qiv::removal {

namespace {

using qiv::platform::ScopedFile;

// The held directory once more, for its owner and DACL; it cannot have been
// renamed while held, and the identity says it is the one held.
ScopedFile OpenForSecurity(HANDLE directory, const std::wstring& path) {
  ScopedFile handle(
      CreateFileW(path.c_str(), WRITE_DAC | WRITE_OWNER | READ_CONTROL | FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  qiv::platform::FileIdentity held;
  qiv::platform::FileIdentity opened;
  if (!qiv::platform::IdentifyHandle(directory, held) ||
      !qiv::platform::IdentifyHandle(handle.Get(), opened) || !(held == opened)) {
    handle.Reset();
  }
  return handle;
}

}  // namespace

bool ProtectRemainder(TreeDeletionReport& report, HANDLE directory, const std::wstring& path) {
  const AdministratorsOnly security;
  const ScopedFile top = OpenForSecurity(directory, path);
  if (!security.ApplyTo(top.Get())) return false;
  // From the directory down, so that no folder can be moved out from under one
  // already protected.
  std::stable_sort(
      report.remainingFolders.begin(), report.remainingFolders.end(),
      [](const RemainingFolder& a, const RemainingFolder& b) { return a.depth < b.depth; });
  for (const RemainingFolder& folder : report.remainingFolders) {
    if (!security.ApplyTo(folder.securityHandle.Get())) return false;
  }
  return true;
}

}  // namespace qiv::removal
