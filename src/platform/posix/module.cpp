// The running executable's path, shown Windows-style, and the system functions the
// program looks up at run time.
#include <strings.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "platform/posix/utf.h"
#include "platform/win32.h"

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
  if (module != nullptr || fileName == nullptr || size == 0) return 0;
  char buffer[PATH_MAX + 1];
  ssize_t length = readlink("/proc/self/exe", buffer, PATH_MAX);
  if (length <= 0) return 0;
  std::wstring path = qiv::posix::Utf8ToUtf16(std::string(buffer, static_cast<size_t>(length)));
  for (wchar_t& unit : path) {
    if (unit == L'/') unit = L'\\';
  }
  // Like Windows: truncate to size - 1 units, terminate, and return size on truncation.
  if (path.size() >= size) {
    path.copy(fileName, size - 1);
    fileName[size - 1] = 0;
    return size;
  }
  path.copy(fileName, path.size());
  fileName[path.size()] = 0;
  return static_cast<DWORD>(path.size());
}

namespace {
// Any non-null values serve: the handles are only passed back to GetProcAddress.
HINSTANCE__* const kAdvapi32 = reinterpret_cast<HINSTANCE__*>(static_cast<uintptr_t>(0xAD0));
HINSTANCE__* const kNtdll = reinterpret_cast<HINSTANCE__*>(static_cast<uintptr_t>(0xD11));

bool IsNamed(LPCWSTR name, const wchar_t* expected) {
  for (size_t i = 0;; ++i) {
    wchar_t a = name[i];
    if (a >= L'A' && a <= L'Z') a = static_cast<wchar_t>(a + 0x20);
    if (a != expected[i]) return false;
    if (a == 0) return true;
  }
}
}  // namespace

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
  if (moduleName != nullptr && IsNamed(moduleName, L"advapi32.dll")) return kAdvapi32;
  if (moduleName != nullptr && IsNamed(moduleName, L"ntdll.dll")) return kNtdll;
  return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  if (procName == nullptr) return nullptr;
  if (module == kAdvapi32 && std::string(procName) == "RegDeleteKeyExW") {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RegDeleteKeyExW));
  }
  if (module == kNtdll && std::string(procName) == "NtDeleteKey") {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&NtDeleteKey));
  }
  return nullptr;
}
