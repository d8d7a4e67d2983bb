#include "removal/delete/administrators_only.h"

namespace qiv::removal {

namespace {

constexpr wchar_t kAdministratorsOnly[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

}  // namespace

AdministratorsOnly::AdministratorsOnly() {
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  usable_ = ConvertStringSecurityDescriptorToSecurityDescriptorW(
                kAdministratorsOnly, SDDL_REVISION_1, &descriptor_, nullptr) &&
            GetSecurityDescriptorDacl(descriptor_, &present, &dacl_, &defaulted) && present &&
            dacl_ != nullptr && GetSecurityDescriptorOwner(descriptor_, &owner_, &defaulted) &&
            owner_ != nullptr;
}

AdministratorsOnly::~AdministratorsOnly() {
  if (descriptor_ != nullptr) LocalFree(descriptor_);
}

bool AdministratorsOnly::ApplyTo(HANDLE handle) const {
  return usable_ && handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         SetSecurityInfo(handle, SE_FILE_OBJECT,
                         OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                             PROTECTED_DACL_SECURITY_INFORMATION,
                         owner_, nullptr, dacl_, nullptr) == ERROR_SUCCESS;
}

}  // namespace qiv::removal
