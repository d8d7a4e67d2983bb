#include "platform/posix/path_map.h"

#include <cstdlib>
#include <vector>

#include "base/strings/case_rules.h"
#include "platform/posix/utf.h"

namespace qiv::posix {

namespace {

bool IsSeparator(wchar_t unit) { return unit == L'\\' || unit == L'/'; }

// Windows drops the dots and blanks at the end of the last name, and only of the
// last, unless the path ends in a separator or is taken literally ("\\?\").
std::wstring_view TrimLastName(std::wstring_view name) {
  if (name == L"." || name == L"..") return name;
  while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.remove_suffix(1);
  return name;
}

// Joins the names below a root, resolving "." and ".." by name.
std::optional<std::string> JoinNames(std::wstring_view rest, bool absolute, bool literal) {
  std::vector<std::wstring_view> names;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = start;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    std::wstring_view name = rest.substr(start, end - start);
    if (end == rest.size() && !literal) name = TrimLastName(name);
    if (name == L"..") {
      if (!names.empty() && names.back() != L"..") {
        names.pop_back();
      } else if (!absolute) {
        names.push_back(name);
      }
    } else if (!name.empty() && name != L".") {
      names.push_back(name);
    }
    start = end + 1;
  }
  std::wstring joined;
  for (const std::wstring_view name : names) {
    if (!joined.empty() || absolute) joined.push_back(L'/');
    joined.append(name);
  }
  if (joined.empty()) joined = absolute ? L"/" : L".";
  return Utf16ToUtf8(joined);
}

}  // namespace

std::optional<std::string> MapWindowsPath(std::wstring_view path) {
  if (path.empty()) return std::nullopt;
  const bool literal = path.substr(0, 4) == L"\\\\?\\";
  if (literal) path.remove_prefix(4);
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return std::nullopt;

  if (path.size() >= 2 && path[1] == L':' && String::IsAsciiLetter(path[0])) {
    const wchar_t drive = String::FoldKeywordUnit(path[0]);
    const std::optional<std::string> names = JoinNames(path.substr(2), true, literal);
    if (drive == L'z') return names;
    const char* driveRoot = std::getenv("QIV_DRIVE_ROOT");
    if (driveRoot == nullptr || *driveRoot == '\0') return std::nullopt;
    std::string root(driveRoot);
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    std::string mapped = root + "/" + static_cast<char>(drive);
    if (*names != "/") mapped += *names;
    return mapped;
  }
  return JoinNames(path, IsSeparator(path[0]), literal);
}

}  // namespace qiv::posix
