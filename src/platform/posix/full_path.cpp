// GetFullPathNameW the way Windows forms full paths: separators made "\", "." and
// ".." resolved by name (never above the root), the last name's trailing dots and
// blanks dropped unless the path ends in a separator. "\\?\" paths are returned as
// they are. Relative paths are taken against the current directory, on drive Z:.
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "base/strings/case_rules.h"
#include "platform/current_drive.h"
#include "platform/posix/utf.h"
#include "platform/win32.h"

namespace {

std::wstring CurrentDirectory() {
  char buffer[PATH_MAX + 1];
  if (getcwd(buffer, sizeof buffer) == nullptr) return L"Z:\\";
  std::wstring directory = L"Z:" + qiv::posix::Utf8ToUtf16(buffer);
  for (wchar_t& unit : directory) {
    if (unit == L'/') unit = L'\\';
  }
  return directory;
}

// Splits off the root ("C:", "\\server\share", "\\.\NAME") and returns the rest.
std::wstring SplitRoot(std::wstring path, std::wstring& root) {
  if (path.rfind(L"\\\\", 0) == 0) {
    // Device paths keep their first name as the root, shares their server and share.
    const bool device = path.rfind(L"\\\\.\\", 0) == 0;
    size_t end = path.find(L'\\', device ? 4 : 2);
    if (!device && end != std::wstring::npos) end = path.find(L'\\', end + 1);
    if (end == std::wstring::npos) end = path.size();
    root = path.substr(0, end);
    return path.substr(end);
  }
  if (path.size() >= 2 && String::IsAsciiLetter(path[0]) && path[1] == L':') {
    root = path.substr(0, 2);
    std::wstring rest = path.substr(2);
    // "C:name" is relative to the drive's current directory, which is its root
    // here unless the drive is the current one.
    if (rest.empty() || rest[0] != L'\\') {
      const std::wstring current = CurrentDirectory();
      if (String::FoldKeywordUnit(current[0]) == String::FoldKeywordUnit(path[0]))
        return current.substr(2) + L"\\" + rest;
      return L"\\" + rest;
    }
    return rest;
  }
  if (!path.empty() && path[0] == L'\\') {
    root = qiv::platform::CurrentDrive();
    return path;
  }
  const std::wstring current = CurrentDirectory();
  root = current.substr(0, 2);
  return current.substr(2) + L"\\" + path;
}

std::wstring FullPath(const std::wstring& input) {
  std::wstring path = input;
  for (wchar_t& unit : path) {
    if (unit == L'/') unit = L'\\';
  }
  if (path.rfind(L"\\\\?\\", 0) == 0) return input;
  std::wstring root;
  const std::wstring rest = SplitRoot(path, root);
  bool endsInSeparator = !rest.empty() && rest.back() == L'\\';
  std::vector<std::wstring> names;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find(L'\\', start);
    if (end == std::wstring::npos) end = rest.size();
    std::wstring name = rest.substr(start, end - start);
    if (end == rest.size() && name != L"." && name != L"..") {
      while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
      // A last name of dots and blanks only leaves the separator before it.
      if (name.empty() && end > start) endsInSeparator = true;
    }
    if (name == L"..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != L".") {
      names.push_back(std::move(name));
    }
    start = end + 1;
  }
  std::wstring full = root;
  for (const std::wstring& name : names) full += L"\\" + name;
  if (names.empty() || endsInSeparator || rest.empty()) full += L"\\";
  return full;
}

}  // namespace

DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart) {
  if (filePart != nullptr) *filePart = nullptr;
  if (fileName == nullptr || fileName[0] == 0) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  const std::wstring full = FullPath(fileName);
  // Like Windows: the length without the terminator, or the size needed with it.
  if (buffer == nullptr || full.size() >= bufferLength) return static_cast<DWORD>(full.size() + 1);
  full.copy(buffer, full.size());
  buffer[full.size()] = 0;
  if (filePart != nullptr && full.back() != L'\\') {
    *filePart = buffer + full.find_last_of(L'\\') + 1;
  }
  return static_cast<DWORD>(full.size());
}
