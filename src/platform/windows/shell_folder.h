#pragma once

#include <shlobj.h>

#include <string>
#include <vector>

#include "platform/win32.h"

namespace qiv::platform {

// Appends the shell's current path of a CSIDL folder; nothing when the shell has none.
inline void AddShellFolder(std::vector<std::wstring>& list, int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) && path[0]) {
    list.emplace_back(path);
  }
}

}  // namespace qiv::platform
