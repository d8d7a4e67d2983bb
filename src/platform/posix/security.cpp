// Security descriptors, as far as the program sets them: a protected DACL that
// lets only SYSTEM and Administrators in. Here that is an object owned by root
// that nobody else may use. Other descriptors cannot be represented and are
// refused rather than half applied.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/posix/file_handle_table.h"
#include "platform/win32.h"

namespace {

constexpr unsigned kDescriptorTag = 0x51565344;  // "QVSD"

struct Descriptor {
  unsigned tag = kDescriptorTag;
  bool isProtected = false;
};

Descriptor* AsDescriptor(void* memory) {
  auto* descriptor = static_cast<Descriptor*>(memory);
  return descriptor != nullptr && descriptor->tag == kDescriptorTag ? descriptor : nullptr;
}

// "D:" with optional flags ("P", "AI", "AR"), then allowing ACEs "(A;flags;FA;;;SY)"
// and "(A;flags;FA;;;BA)", at least one.
bool ParseAdminOnly(const std::wstring& text, bool& isProtected) {
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
  bool isProtected = false;
  if (text == nullptr || descriptor == nullptr || revision != SDDL_REVISION_1 ||
      !ParseAdminOnly(text, isProtected)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto* made = new Descriptor;
  made->isProtected = isProtected;
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

DWORD SetSecurityInfo(HANDLE handle, SE_OBJECT_TYPE type, SECURITY_INFORMATION information,
                      PSID owner, PSID group, PACL dacl, PACL sacl) {
  qiv::posix::FileHandle* file = qiv::posix::AsFileHandle(handle);
  Descriptor* descriptor = AsDescriptor(dacl);
  if (file == nullptr) return ERROR_INVALID_HANDLE;
  if (type != SE_FILE_OBJECT || descriptor == nullptr || owner != nullptr || group != nullptr ||
      sacl != nullptr || (information & DACL_SECURITY_INFORMATION) == 0) {
    return ERROR_INVALID_PARAMETER;
  }
  // Inherited entries have no meaning here: only a protected DACL is represented.
  if ((information & PROTECTED_DACL_SECURITY_INFORMATION) == 0 && !descriptor->isProtected) {
    return ERROR_NOT_SUPPORTED;
  }
  if ((file->access & WRITE_DAC) == 0) return ERROR_ACCESS_DENIED;
  struct stat info;
  if (fstatat(file->fd, "", &info, AT_EMPTY_PATH) != 0 || S_ISLNK(info.st_mode)) {
    return ERROR_ACCESS_DENIED;
  }
  const std::string self = "/proc/self/fd/" + std::to_string(file->fd);
  // Without root, the owner is what stands for the administrators.
  if ((geteuid() == 0 && chown(self.c_str(), 0, 0) != 0) ||
      chmod(self.c_str(), info.st_mode & 0700) != 0) {
    return ERROR_ACCESS_DENIED;
  }
  return ERROR_SUCCESS;
}

HLOCAL LocalFree(HLOCAL memory) {
  if (Descriptor* descriptor = AsDescriptor(memory)) {
    descriptor->tag = 0;
    delete descriptor;
  }
  return nullptr;
}
