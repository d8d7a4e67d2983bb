#include "base/paths/windows_path.h"

#include "base/strings/case_rules.h"

namespace qiv::paths {

namespace {

bool HasForbiddenUnit(const std::wstring& name) {
  for (wchar_t unit : name) {
    if (unit < 0x20) return true;
    switch (unit) {
      case L'<':
      case L'>':
      case L':':
      case L'"':
      case L'|':
      case L'?':
      case L'*':
        return true;
      default:
        break;
    }
  }
  return false;
}

// Reads one component starting at `at`; moves `at` past its separator.
std::wstring NextComponent(const std::wstring& path, size_t& at) {
  size_t end = path.find(L'\\', at);
  if (end == std::wstring::npos) end = path.size();
  std::wstring component = path.substr(at, end - at);
  at = end + 1;
  return component;
}

}  // namespace

std::wstring WindowsPath::Text() const {
  std::wstring text = root;
  if (components.empty()) return text + L"\\";
  for (const std::wstring& component : components) text += L"\\" + component;
  return text;
}

std::wstring WindowsPath::Folded() const { return String::FoldFileName(Text()); }

bool WindowsPath::Contains(const WindowsPath& other) const {
  if (String::FoldFileName(root) != String::FoldFileName(other.root) ||
      components.size() > other.components.size()) {
    return false;
  }
  for (size_t i = 0; i < components.size(); ++i) {
    if (String::FoldFileName(components[i]) != String::FoldFileName(other.components[i]))
      return false;
  }
  return true;
}

std::optional<WindowsPath> NormaliseWindowsPath(const std::wstring& input,
                                                const std::wstring& currentDrive) {
  std::wstring path = input;
  for (wchar_t& unit : path) {
    if (unit == L'/') unit = L'\\';
  }
  // "\\?\" paths are taken literally by the system: no component may need cleaning.
  bool literal = false;
  if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) {
    literal = path[2] == L'?';
    if (String::StartsWithKeyword(path.c_str() + 4, L"UNC\\")) {
      path = L"\\\\" + path.substr(8);
    } else if (path.size() >= 6 && String::IsAsciiLetter(path[4]) && path[5] == L':') {
      path = path.substr(4);
    } else {
      return std::nullopt;  // a device, a pipe or a volume
    }
  }

  WindowsPath result;
  size_t at = 0;
  if (path.rfind(L"\\\\", 0) == 0) {
    at = 2;
    const std::wstring server = NextComponent(path, at);
    if (at > path.size()) return std::nullopt;
    const std::wstring share = NextComponent(path, at);
    for (const std::wstring* name : {&server, &share}) {
      if (name->empty() || *name == L"." || *name == L".." || HasForbiddenUnit(*name)) {
        return std::nullopt;
      }
    }
    result.root = L"\\\\" + server + L"\\" + share;
  } else if (path.size() >= 3 && String::IsAsciiLetter(path[0]) && path[1] == L':' &&
             path[2] == L'\\') {
    result.root = path.substr(0, 2);
    at = 3;
  } else if (!path.empty() && path[0] == L'\\' && currentDrive.size() == 2 &&
             String::IsAsciiLetter(currentDrive[0]) && currentDrive[1] == L':') {
    result.root = currentDrive;
    at = 1;
  } else {
    return std::nullopt;  // relative, or relative to a drive's current directory
  }

  while (at <= path.size()) {
    const std::wstring raw = NextComponent(path, at);
    std::wstring name = raw;
    if (name != L"." && name != L"..") {
      while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    }
    if (literal && (name != raw || raw.empty() || raw == L"." || raw == L"..")) {
      // Allow only the one trailing separator.
      if (!(raw.empty() && at > path.size())) return std::nullopt;
    }
    if (name.empty() || name == L".") continue;
    if (name == L"..") {
      if (!result.components.empty()) result.components.pop_back();
      continue;
    }
    if (HasForbiddenUnit(name)) return std::nullopt;
    result.components.push_back(std::move(name));
  }
  return result;
}

}  // namespace qiv::paths
