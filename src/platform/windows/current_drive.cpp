#include "platform/current_drive.h"

#include "platform/win32.h"

namespace qiv::platform {

std::wstring CurrentDrive() {
  wchar_t directory[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryW(MAX_PATH, directory);
  if (length < 2 || length >= MAX_PATH || directory[1] != L':') return std::wstring();
  return std::wstring(directory, 2);
}

}  // namespace qiv::platform
