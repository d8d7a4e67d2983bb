#include "platform/registry_text.h"

#include <algorithm>
#include <iterator>

namespace qiv::platform {

namespace {

constexpr DWORD kTextUnits = 2048;
// The registry counts UTF-16 bytes, on the stand-in too, whatever wchar_t's size.
constexpr DWORD kUnitBytes = 2;

bool Takes(TextTypes types, DWORD type) {
  const bool string = type == REG_SZ || type == REG_EXPAND_SZ;
  switch (types) {
    case TextTypes::kAny:
      return true;
    case TextTypes::kStrings:
      return string;
    case TextTypes::kStringsAndLists:
      return string || type == REG_MULTI_SZ;
  }
  return false;
}

}  // namespace

std::optional<std::wstring> ReadValueText(HKEY key, const wchar_t* name, DWORD maxBytes,
                                          TextTypes types, DWORD* type) {
  DWORD size = maxBytes;
  DWORD valueType = REG_NONE;
  // A value that may be long is measured first, so the buffer fits what is there.
  if (maxBytes > kTextUnits * kUnitBytes &&
      (RegQueryValueExW(key, name, nullptr, &valueType, nullptr, &size) != ERROR_SUCCESS ||
       size > maxBytes)) {
    return std::nullopt;
  }
  // Zero-filled, a unit more than the data can fill.
  std::wstring text(size / kUnitBytes + 1, L'\0');
  if (RegQueryValueExW(key, name, nullptr, &valueType, reinterpret_cast<LPBYTE>(text.data()),
                       &size) != ERROR_SUCCESS ||
      !Takes(types, valueType)) {
    return std::nullopt;
  }
  if (type != nullptr) *type = valueType;
  text.resize(std::min(text.find(L'\0'), static_cast<size_t>((size + 1) / kUnitBytes)));
  return text;
}

std::wstring ReadRegistryText(HKEY key, const wchar_t* name, DWORD* type) {
  return ReadValueText(key, name, (kTextUnits - 1) * kUnitBytes, TextTypes::kStrings, type)
      .value_or(std::wstring());
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
