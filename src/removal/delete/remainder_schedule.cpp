#include "removal/delete/remainder_schedule.h"

#include <algorithm>

#include "platform/folder_identity.h"
#include "platform/scoped_win32.h"

namespace qiv::removal {

namespace {

using qiv::platform::ScopedFile;

// Full access for SYSTEM and Administrators, inherited by everything inside;
// nothing inherited from above ("P").
constexpr wchar_t kAdministratorsOnly[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

class AdministratorsOnlyDacl {
 public:
  AdministratorsOnlyDacl() {
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdministratorsOnly, SDDL_REVISION_1,
                                                             &descriptor_, nullptr) &&
        GetSecurityDescriptorDacl(descriptor_, &present, &dacl_, &defaulted) && present) {
      return;
    }
    dacl_ = nullptr;
  }
  ~AdministratorsOnlyDacl() {
    if (descriptor_ != nullptr) LocalFree(descriptor_);
  }
  AdministratorsOnlyDacl(const AdministratorsOnlyDacl&) = delete;
  AdministratorsOnlyDacl& operator=(const AdministratorsOnlyDacl&) = delete;

  bool ApplyTo(HANDLE handle) const {
    return dacl_ != nullptr && handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           SetSecurityInfo(handle, SE_FILE_OBJECT,
                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                           nullptr, dacl_, nullptr) == ERROR_SUCCESS;
  }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  PACL dacl_ = nullptr;
};

// The held directory once more, for its DACL; it cannot have been renamed while
// held, and the identity says it is the one held.
ScopedFile OpenForSecurity(HANDLE directory, const std::wstring& path) {
  ScopedFile handle(
      CreateFileW(path.c_str(), WRITE_DAC | READ_CONTROL | FILE_READ_ATTRIBUTES,
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

bool ScheduleDeletion(const std::wstring& path) {
  return MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

}  // namespace

bool ScheduleRemainder(TreeDeletionReport& report, HANDLE directory, const std::wstring& path) {
  const AdministratorsOnlyDacl dacl;
  const ScopedFile top = OpenForSecurity(directory, path);
  if (!dacl.ApplyTo(top.Get())) return false;
  // From the directory down, so that no folder can be moved out from under one
  // already protected.
  std::stable_sort(
      report.remainingFolders.begin(), report.remainingFolders.end(),
      [](const RemainingFolder& a, const RemainingFolder& b) { return a.depth < b.depth; });
  for (const RemainingFolder& folder : report.remainingFolders) {
    if (!dacl.ApplyTo(folder.securityHandle.Get())) return false;
  }
  for (const std::wstring& file : report.remainingFiles) {
    if (!ScheduleDeletion(file)) return false;
  }
  for (auto folder = report.remainingFolders.rbegin(); folder != report.remainingFolders.rend();
       ++folder) {
    if (!ScheduleDeletion(folder->path)) return false;
  }
  return ScheduleDeletion(path);
}

}  // namespace qiv::removal
