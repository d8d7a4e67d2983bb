// Absolute Windows paths reduced to one spelling, so that paths can be compared
// and checked before anything is deleted by them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/strings/case_rules.h"

namespace qiv::paths {

struct WindowsPath {
  // "C:" for a drive, "\\server\share" for a network share.
  std::wstring root;
  // The folders and file below the root, as written.
  std::vector<std::wstring> components;

  // root + "\" + the components; just the root followed by "\" when there are none.
  std::wstring Text() const;
  // Text() with letters in one case, for comparisons.
  std::wstring Folded() const;
  bool IsRoot() const { return components.empty(); }
  // True when `other` is this path or lies below it.
  bool Contains(const WindowsPath& other) const;
};

// Normalises the way Windows does: `/` and `\` alike, repeated separators, "." and
// ".." (never above the root), trailing dots and blanks of each component, and the
// "\\?\" and "\\.\" prefixes of drive and share paths. A path that begins with one
// separator lies on `currentDrive` ("C:"), or is refused when that is empty. Returns
// nothing for a path that is not absolute (relative, "C:x"), names a device or
// volume, holds a wildcard or a character that no file name may hold, or is empty.
std::optional<WindowsPath> NormaliseWindowsPath(const std::wstring& path,
                                                const std::wstring& currentDrive = L"");

}  // namespace qiv::paths
