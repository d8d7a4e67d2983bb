// Security descriptors, as far as the program sets them: owner Administrators and
// a protected DACL that lets only SYSTEM and Administrators in. Here the DACL is an
// object nobody but its owner may use, and the owner Administrators is root (or,
// without root, the running user, who stands for the administrators). Other
// descriptors cannot be represented and are refused rather than half applied.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/posix/file_handle_table.h"
#include "platform/posix/security_descriptor.h"
#include "platform/win32.h"

namespace {

constexpr unsigned kDescriptorTag = 0x51565344;  // "QVSD"

struct Descriptor {
  unsigned tag = kDescriptorTag;
  bool isProtected = false;
  bool ownerAdministrators = false;
};

// The one SID the descriptors name as owner.
constexpr unsigned kAdministratorsTag = 0x51564241;  // "QVBA"
const unsigned administratorsSid = kAdministratorsTag;

bool IsAdministrators(PSID sid) {
  return sid != nullptr && *static_cast<const unsigned*>(sid) == kAdministratorsTag;
}

Descriptor* AsDescriptor(void* memory) {
  auto* descriptor = static_cast<Descriptor*>(memory);
  return descriptor != nullptr && descriptor->tag == kDescriptorTag ? descriptor : nullptr;
}

// An optional owner "O:BA", then "D:" with optional flags ("P", "AI", "AR"), then
// allowing ACEs "(A;flags;FA;;;SY)" and "(A;flags;FA;;;BA)", at least one.
bool ParseAdminOnly(std::wstring text, Descriptor& descriptor) {
  if (text.rfind(L"O:BA", 0) == 0) {
    descriptor.ownerAdministrators = true;
    text.erase(0, 4);
  }
  bool& isProtected = descriptor.isProtected;
  if (text.rfind(L"D:", 0) != 0) return false;
  size_t at = 2;
  const size_t aces = text.find(L'(', at);
  if (aces == std::wstring::npos) return false;
  const std::wstring flags = text.substr(at, aces - at);
  isProtected = flags.find(L'P') != std::wstring::npos;
  at = aces;
  int count = 0;
  while (at < text.size()) {
    const size_t close = text.find(L')', at);
    if (text[at] != L'(' || close == std::wstring::npos) return false;
    const std::wstring ace = text.substr(at + 1, close - at - 1);
    const size_t first = ace.find(L';');
    if (ace.rfind(L"A;", 0) != 0 || first == std::wstring::npos) return false;
    const size_t second = ace.find(L';', first + 1);
    if (second == std::wstring::npos) return false;
    const std::wstring rest = ace.substr(second + 1);
    if (rest != L"FA;;;SY" && rest != L"FA;;;BA") return false;
    ++count;
    at = close + 1;
  }
  return count > 0;
}

}  // namespace

BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR text, DWORD revision,
                                                          PSECURITY_DESCRIPTOR* descriptor,
                                                          PULONG size) {
  Descriptor parsed;
  if (text == nullptr || descriptor == nullptr || revision != SDDL_REVISION_1 ||
      !ParseAdminOnly(text, parsed)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto* made = new Descriptor(parsed);
  *descriptor = made;
  if (size != nullptr) *size = sizeof(Descriptor);
  return TRUE;
}

BOOL GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, PBOOL present, PACL* dacl,
                               PBOOL defaulted) {
  Descriptor* held = AsDescriptor(descriptor);
  if (held == nullptr || present == nullptr || dacl == nullptr || defaulted == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *present = TRUE;
  *defaulted = FALSE;
  *dacl = reinterpret_cast<PACL>(held);  // the DACL is the descriptor's only content here
  return TRUE;
}

BOOL GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR descriptor, PSID* owner, PBOOL defaulted) {
  Descriptor* held = AsDescriptor(descriptor);
  if (held == nullptr || owner == nullptr || defaulted == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *owner = held->ownerAdministrators ? const_cast<unsigned*>(&administratorsSid) : nullptr;
  *defaulted = FALSE;
  return TRUE;
}

// The DACL and the owner, each only when asked. A DACL without the owner leaves the
// owner who he is: on Windows an owner can always write the DACL again, and here
// the permissions are the owner's too.
DWORD SetSecurityInfo(HANDLE handle, SE_OBJECT_TYPE type, SECURITY_INFORMATION information,
                      PSID owner, PSID group, PACL dacl, PACL sacl) {
  qiv::posix::FileHandle* file = qiv::posix::AsFileHandle(handle);
  Descriptor* descriptor = AsDescriptor(dacl);
  const bool setOwner = (information & OWNER_SECURITY_INFORMATION) != 0;
  const bool setDacl = (information & DACL_SECURITY_INFORMATION) != 0;
  if (file == nullptr) return ERROR_INVALID_HANDLE;
  if (type != SE_FILE_OBJECT || group != nullptr || sacl != nullptr || (!setOwner && !setDacl) ||
      (setDacl && descriptor == nullptr) || (setOwner && !IsAdministrators(owner)) ||
      (!setOwner && owner != nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  // Inherited entries have no meaning here: only a protected DACL is represented.
  if (setDacl && (information & PROTECTED_DACL_SECURITY_INFORMATION) == 0 &&
      !descriptor->isProtected) {
    return ERROR_NOT_SUPPORTED;
  }
  if ((setDacl && (file->access & WRITE_DAC) == 0) ||
      (setOwner && (file->access & WRITE_OWNER) == 0)) {
    return ERROR_ACCESS_DENIED;
  }
  struct stat info;
  if (fstatat(file->fd, "", &info, AT_EMPTY_PATH) != 0 || S_ISLNK(info.st_mode)) {
    return ERROR_ACCESS_DENIED;
  }
  const std::string self = "/proc/self/fd/" + std::to_string(file->fd);
  if (setOwner) {
    // Without root, the running user stands for the administrators; nobody else's
    // object can be taken over.
    if (geteuid() == 0 ? chown(self.c_str(), 0, 0) != 0 : info.st_uid != geteuid()) {
      return ERROR_INVALID_OWNER;
    }
  }
  if (setDacl && chmod(self.c_str(), info.st_mode & 0700) != 0) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

namespace qiv::posix {

std::optional<mode_t> CreationMode(PSECURITY_DESCRIPTOR descriptor, bool directory) {
  const Descriptor* held = AsDescriptor(descriptor);
  if (held == nullptr || !held->isProtected) return std::nullopt;
  return directory ? 0700 : 0600;
}

}  // namespace qiv::posix

HLOCAL LocalFree(HLOCAL memory) {
  if (Descriptor* descriptor = AsDescriptor(memory)) {
    descriptor->tag = 0;
    delete descriptor;
  }
  return nullptr;
}
