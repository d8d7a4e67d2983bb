#include "platform/registry_text.h"

#include <iterator>

namespace qiv::platform {

namespace {
// On the stack: these are read for every profile and product entry.
constexpr DWORD kTextUnits = 2048;
}  // namespace

std::wstring ReadRegistryText(HKEY key, const wchar_t* name, DWORD* type) {
  wchar_t data[kTextUnits] = {};
  // One unit stays zero, so the text ends even when the data is not terminated.
  DWORD size = sizeof data - sizeof data[0];
  DWORD valueType = REG_NONE;
  if (RegQueryValueExW(key, name, nullptr, &valueType, reinterpret_cast<LPBYTE>(data), &size) !=
          ERROR_SUCCESS ||
      (valueType != REG_SZ && valueType != REG_EXPAND_SZ)) {
    return L"";
  }
  if (type != nullptr) *type = valueType;
  return std::wstring(data);
}

bool NextSubkeyName(HKEY key, DWORD& index, KeyName& name) {
  for (;; ++index) {
    DWORD length = std::size(name);
    const LONG status =
        RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return false;
    ++index;
    return true;
  }
}

std::wstring ExpandEnvironment(const std::wstring& text) {
  wchar_t expanded[kTextUnits] = {};
  const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), expanded, kTextUnits);
  return needed > 0 && needed <= kTextUnits ? std::wstring(expanded) : std::wstring();
}

}  // namespace qiv::platform
