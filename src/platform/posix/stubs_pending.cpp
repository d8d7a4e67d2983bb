// Placeholders for the POSIX stand-in functions that are not written yet.
#include "platform/win32.h"

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
