// Placeholders for the POSIX stand-in functions that are not written yet.
#include "platform/win32.h"

DWORD GetPrivateProfileStringW(LPCWSTR, LPCWSTR, LPCWSTR defaultValue, LPWSTR returned, DWORD size,
                               LPCWSTR) {
  DWORD n = 0;
  if (returned == nullptr || size == 0) return 0;
  while (defaultValue != nullptr && defaultValue[n] != 0 && n + 1 < size) {
    returned[n] = defaultValue[n];
    ++n;
  }
  returned[n] = 0;
  return n;
}
BOOL WritePrivateProfileStringW(LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR) { return FALSE; }
DWORD GetFileAttributesW(LPCWSTR) { return INVALID_FILE_ATTRIBUTES; }
BOOL DeleteFileW(LPCWSTR) { return FALSE; }
int SHFileOperationW(LPSHFILEOPSTRUCTW) { return 1; }
BOOL GetVersionExW(LPOSVERSIONINFOW) { return FALSE; }
void GetSystemInfo(LPSYSTEM_INFO) {}
HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }
BOOL IsWow64Process(HANDLE, PBOOL) { return FALSE; }
int GetSystemMetrics(int) { return 0; }
void GetLocalTime(LPSYSTEMTIME) {}
void Sleep(DWORD) {}
