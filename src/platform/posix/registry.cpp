// The registry functions over the process's registry file (registry_store.h).
#include <cstring>

#include "platform/posix/deletion_hooks.h"
#include "platform/posix/registry_store.h"
#include "platform/win32.h"

namespace {

using qiv::posix::RegistryKey;
using qiv::posix::RegistryStore;
using qiv::posix::RegistryValue;
using qiv::posix::SplitKeyPath;

constexpr DWORD kMultiStringType = 7;  // REG_MULTI_SZ

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == kMultiStringType;
}

// Windows keeps UTF-16 strings; here each unit goes into one wchar_t.
void CopyValueData(const RegistryValue& value, LPBYTE data) {
  if (!IsStringType(value.type)) {
    if (!value.data.empty()) std::memcpy(data, value.data.data(), value.data.size());
    return;
  }
  wchar_t* units = reinterpret_cast<wchar_t*>(data);
  for (size_t i = 0; i < value.data.size(); i += 2) {
    const unsigned high = i + 1 < value.data.size() ? value.data[i + 1] : 0;
    units[i / 2] = static_cast<wchar_t>(value.data[i] | (high << 8));
  }
}

// The full path of a key, root name first, for the deletion recorder.
std::wstring KeyPath(const RegistryKey* key) {
  std::wstring path;
  for (; key != nullptr; key = key->Parent()) {
    path = path.empty() ? key->Name() : key->Name() + L"\\" + path;
  }
  return path;
}

// As on Windows, the key is looked up by name: a link on the way, and a link as the
// last key too, leads to the key it names, which is the one deleted.
LSTATUS DeleteKey(HKEY key, LPCWSTR subKey) {
  if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
  RegistryStore& store = RegistryStore::Instance();
  auto lock = store.Lock();
  std::shared_ptr<RegistryKey> parent;
  const LSTATUS resolved = store.Resolve(key, parent);
  if (qiv::posix::DeletionRecorderSet()) {
    const std::wstring target = (parent ? KeyPath(parent.get()) : L"?") + L"\\" + subKey;
    lock.unlock();
    qiv::posix::InterceptDeletion(qiv::posix::DeletionKind::kRegistryKey, target);
    return ERROR_ACCESS_DENIED;
  }
  if (resolved != ERROR_SUCCESS) return resolved;
  const auto path = SplitKeyPath(subKey);
  if (!path) return ERROR_FILE_NOT_FOUND;
  // Deleting the key behind the handle itself (or a root) is not offered.
  if (path->empty()) return ERROR_INVALID_PARAMETER;
  std::shared_ptr<RegistryKey> target;
  if (LSTATUS status = store.Find(parent, *path, false, target); status != ERROR_SUCCESS) {
    return status;
  }
  return store.DeleteKey(target);
}

}  // namespace

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  RegistryStore& store = RegistryStore::Instance();
  auto lock = store.Lock();
  std::shared_ptr<RegistryKey> found;
  if (LSTATUS status = store.Resolve(key, found); status != ERROR_SUCCESS) return status;
  const auto path = SplitKeyPath(subKey == nullptr ? L"" : subKey);
  if (!path) return ERROR_FILE_NOT_FOUND;
  if (path->empty() && found->Parent() == nullptr) {
    *result = key;  // a predefined root opens as itself
    return ERROR_SUCCESS;
  }
  if (LSTATUS status = store.Find(found, *path, (options & REG_OPTION_OPEN_LINK) != 0, found);
      status != ERROR_SUCCESS) {
    return status;
  }
  *result = store.OpenHandle(std::move(found));
  return ERROR_SUCCESS;
}

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD reserved,
                      LPWSTR className, LPDWORD classSize, PFILETIME lastWriteTime) {
  if (name == nullptr || nameSize == nullptr || reserved != nullptr ||
      (className != nullptr && classSize == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  RegistryStore& store = RegistryStore::Instance();
  auto lock = store.Lock();
  std::shared_ptr<RegistryKey> found;
  if (LSTATUS status = store.Resolve(key, found); status != ERROR_SUCCESS) return status;
  const std::shared_ptr<RegistryKey> subKey = found->SubKeyAt(index);
  if (!subKey) return ERROR_NO_MORE_ITEMS;
  const std::wstring& subKeyName = subKey->Name();
  if (subKeyName.size() >= *nameSize) return ERROR_MORE_DATA;
  if (className != nullptr && *classSize == 0) return ERROR_MORE_DATA;
  subKeyName.copy(name, subKeyName.size());
  name[subKeyName.size()] = 0;
  *nameSize = static_cast<DWORD>(subKeyName.size());
  if (className != nullptr) {
    className[0] = 0;
    *classSize = 0;
  }
  if (lastWriteTime != nullptr) *lastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) {
  if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  RegistryStore& store = RegistryStore::Instance();
  auto lock = store.Lock();
  std::shared_ptr<RegistryKey> found;
  if (LSTATUS status = store.Resolve(key, found); status != ERROR_SUCCESS) return status;
  const RegistryValue* value = found->FindValue(valueName == nullptr ? L"" : valueName);
  if (value == nullptr) return ERROR_FILE_NOT_FOUND;
  if (type != nullptr) *type = value->type;
  const DWORD size = static_cast<DWORD>(value->data.size());
  if (data == nullptr) {
    if (dataSize != nullptr) *dataSize = size;
    return ERROR_SUCCESS;
  }
  const DWORD capacity = *dataSize;
  *dataSize = size;
  if (capacity < size) return ERROR_MORE_DATA;
  CopyValueData(*value, data);
  return ERROR_SUCCESS;
}

// As on Windows: the name size counts units without the terminator on the way out
// and with it on the way in; a name or data that does not fit is ERROR_MORE_DATA,
// with the data size needed reported.
LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameSize,
                      LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  if (valueName == nullptr || valueNameSize == nullptr || reserved != nullptr ||
      (data != nullptr && dataSize == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  RegistryStore& store = RegistryStore::Instance();
  auto lock = store.Lock();
  std::shared_ptr<RegistryKey> found;
  if (LSTATUS status = store.Resolve(key, found); status != ERROR_SUCCESS) return status;
  const auto* entry = found->ValueAt(index);
  if (entry == nullptr) return ERROR_NO_MORE_ITEMS;
  const auto& [name, value] = *entry;
  if (name.size() >= *valueNameSize) return ERROR_MORE_DATA;
  name.copy(valueName, name.size());
  valueName[name.size()] = 0;
  *valueNameSize = static_cast<DWORD>(name.size());
  if (type != nullptr) *type = value.type;
  const DWORD size = static_cast<DWORD>(value.data.size());
  if (dataSize == nullptr) return ERROR_SUCCESS;
  const DWORD capacity = *dataSize;
  *dataSize = size;
  if (data == nullptr) return ERROR_SUCCESS;
  if (capacity < size) return ERROR_MORE_DATA;
  CopyValueData(value, data);
  return ERROR_SUCCESS;
}

LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey) { return DeleteKey(key, subKey); }

// One registry view here, so the view bits are accepted and ignored.
LSTATUS RegDeleteKeyExW(HKEY key, LPCWSTR subKey, REGSAM, DWORD) { return DeleteKey(key, subKey); }

LSTATUS RegCloseKey(HKEY key) {
  RegistryStore& store = RegistryStore::Instance();
  auto lock = store.Lock();
  return store.CloseHandle(key);
}

// The key behind the handle itself, with its values; it must have no subkeys.
LONG NtDeleteKey(HANDLE key) {
  constexpr LONG kAccessDenied = static_cast<LONG>(0xC0000022L);
  constexpr LONG kCannotDelete = static_cast<LONG>(0xC0000121L);
  constexpr LONG kInvalidHandle = static_cast<LONG>(0xC0000008L);
  RegistryStore& store = RegistryStore::Instance();
  auto lock = store.Lock();
  std::shared_ptr<RegistryKey> found;
  const LSTATUS resolved = store.Resolve(static_cast<HKEY>(key), found);
  if (qiv::posix::DeletionRecorderSet()) {
    const std::wstring target = found ? KeyPath(found.get()) : L"?";
    lock.unlock();
    qiv::posix::InterceptDeletion(qiv::posix::DeletionKind::kRegistryKey, target);
    return kAccessDenied;
  }
  if (resolved != ERROR_SUCCESS || found->Parent() == nullptr) return kInvalidHandle;
  if (found->SubKeyCount() != 0) return kCannotDelete;
  return store.DeleteKey(found) == ERROR_SUCCESS ? 0 : kAccessDenied;
}
