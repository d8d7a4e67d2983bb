#include "platform/registry_key.h"

#include <cwchar>
#include <utility>

namespace {

constexpr REGSAM kViewBits = KEY_WOW64_64KEY | KEY_WOW64_32KEY;
constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;
constexpr DWORD kNameCapacity = 256;  // key names hold at most 255 units
// Windows allows 512 levels of keys; a deeper walk can only be a cycle through
// registry links, which must end in a failure rather than in a stack overflow.
constexpr int kMaxDepth = 512;

qiv::platform::DeleteKeyExFunction SystemDeleteKeyEx() {
  HMODULE advapi = GetModuleHandleW(L"Advapi32.dll");
  if (advapi == nullptr) return nullptr;
  FARPROC address = GetProcAddress(advapi, "RegDeleteKeyExW");
  if (address == nullptr) return nullptr;
  // Through a generic function pointer, so the compiler accepts the signature change.
  return reinterpret_cast<qiv::platform::DeleteKeyExFunction>(
      reinterpret_cast<void (*)()>(address));
}

// Looked up once per process; a failed lookup is remembered as well.
struct DeleteKeyExLookup {
  bool done = false;
  qiv::platform::DeleteKeyExFunction address = nullptr;
  qiv::platform::DeleteKeyExResolver resolver = &SystemDeleteKeyEx;
};

DeleteKeyExLookup& Lookup() {
  static DeleteKeyExLookup lookup;
  return lookup;
}

bool IsEmptyName(LPCWSTR name) { return name == nullptr || name[0] == 0; }

// Deletes the key behind a handle, which is how a link key opened as itself goes
// (a deletion by name would follow the link). Looked up once in ntdll; where it
// is missing a link is left in place.
using DeleteKeyByHandle = LONG(WINAPI*)(HANDLE);

DeleteKeyByHandle SystemDeleteKeyByHandle() {
  static const DeleteKeyByHandle address = []() -> DeleteKeyByHandle {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    FARPROC found = ntdll != nullptr ? GetProcAddress(ntdll, "NtDeleteKey") : nullptr;
    return reinterpret_cast<DeleteKeyByHandle>(reinterpret_cast<void (*)()>(found));
  }();
  return address;
}

}  // namespace

namespace qiv::platform {

void SetDeleteKeyExResolverForTest(DeleteKeyExResolver resolver) {
  DeleteKeyExLookup& lookup = Lookup();
  lookup.done = false;
  lookup.address = nullptr;
  lookup.resolver = resolver != nullptr ? resolver : &SystemDeleteKeyEx;
}

}  // namespace qiv::platform

LONG CRegistryKey::Open(HKEY parent, LPCWSTR subKey, REGSAM access, Link link) {
  HKEY opened = nullptr;
  const DWORD options = link == Link::kOpenItself ? REG_OPTION_OPEN_LINK : 0;
  const LONG status = RegOpenKeyExW(parent, subKey, options, access, &opened);
  if (status != ERROR_SUCCESS) return status;
  Close();
  key_.Reset(opened);
  viewFlags_ = access & kViewBits;
  return ERROR_SUCCESS;
}

LONG CRegistryKey::Close() {
  const HKEY held = key_.Release();
  viewFlags_ = 0;
  return held != nullptr ? RegCloseKey(held) : ERROR_SUCCESS;
}

LONG CRegistryKey::DeleteSubKey(LPCWSTR name) {
  // An empty name would address the held key itself.
  if (IsEmptyName(name)) return ERROR_INVALID_PARAMETER;
  if (!key_) return ERROR_INVALID_HANDLE;
  DeleteKeyExLookup& lookup = Lookup();
  if (!lookup.done) {
    lookup.address = lookup.resolver();
    lookup.done = true;
  }
  if (lookup.address != nullptr) return lookup.address(Handle(), name, viewFlags_, 0);
  return RegDeleteKeyW(Handle(), name);
}

LONG CRegistryKey::DeleteTree(LPCWSTR name) { return DeleteTreeAtDepth(name, 0); }

LONG CRegistryKey::DeleteHeldTree() { return DeleteHeldTreeAtDepth(0); }

bool CRegistryKey::IsLink() const {
  DWORD type = REG_NONE;
  DWORD size = 0;
  return RegQueryValueExW(Handle(), L"SymbolicLinkValue", nullptr, &type, nullptr, &size) ==
             ERROR_SUCCESS &&
         type == REG_LINK;
}

namespace {

LONG DeleteByHandle(HKEY key) {
  const DeleteKeyByHandle deleteKey = SystemDeleteKeyByHandle();
  if (deleteKey == nullptr) return ERROR_ACCESS_DENIED;
  return deleteKey(key) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

}  // namespace

LONG CRegistryKey::DeleteTreeAtDepth(LPCWSTR name, int depth) {
  // An empty name would make the walk delete everything below the held key.
  if (IsEmptyName(name)) return ERROR_INVALID_PARAMETER;
  if (depth >= kMaxDepth) return ERROR_KEY_HAS_CHILDREN;

  CRegistryKey child;
  const LONG opened =
      child.Open(Handle(), name, kReadWrite | DELETE | viewFlags_, Link::kOpenItself);
  if (opened != ERROR_SUCCESS) return opened;
  if (child.IsLink()) return DeleteByHandle(child.Handle());
  const LONG status = child.DeleteSubKeys(depth, false);
  if (status != ERROR_SUCCESS) return status;
  child.Close();
  return DeleteSubKey(name);
}

LONG CRegistryKey::DeleteHeldTreeAtDepth(int depth) {
  if (!key_) return ERROR_INVALID_HANDLE;
  if (depth >= kMaxDepth) return ERROR_KEY_HAS_CHILDREN;
  if (!IsLink()) {
    const LONG status = DeleteSubKeys(depth, true);
    if (status != ERROR_SUCCESS) return status;
  }
  return DeleteByHandle(Handle());
}

LONG CRegistryKey::DeleteSubKeys(int depth, bool throughHandles) {
  // Each pass deletes the subkey at index 0, so the next one moves to the front.
  wchar_t previous[kNameCapacity] = {};
  while (true) {
    wchar_t found[kNameCapacity] = {};
    DWORD size = kNameCapacity;
    FILETIME lastWrite{};
    if (RegEnumKeyExW(Handle(), 0, found, &size, nullptr, nullptr, nullptr, &lastWrite) !=
        ERROR_SUCCESS) {
      return ERROR_SUCCESS;
    }
    // A subkey that is still listed after its deletion reported success would
    // otherwise be found again forever.
    if (previous[0] != 0 && std::wcscmp(previous, found) == 0) return ERROR_KEY_HAS_CHILDREN;
    LONG status = ERROR_SUCCESS;
    if (throughHandles) {
      CRegistryKey child;
      status = child.Open(Handle(), found, kReadWrite | DELETE | viewFlags_, Link::kOpenItself);
      if (status == ERROR_SUCCESS) status = child.DeleteHeldTreeAtDepth(depth + 1);
    } else {
      status = DeleteTreeAtDepth(found, depth + 1);
    }
    if (status != ERROR_SUCCESS) return status;
    std::wcscpy(previous, found);
  }
}
