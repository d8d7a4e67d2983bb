#include "platform/library_search.h"

#include <windows.h>

#include <delayimp.h>

#include <cwchar>
#include <initializer_list>

namespace qiv::platform {

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// Set once, before the program's own code runs: whether the loader takes the
// System32-only flag (Windows 8 and later, Windows 7 with KB2533623).
bool g_restricted = false;
bool g_systemFlagKnown = false;

bool LoaderKnowsSystemFlag() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto set = kernel != nullptr
                 ? reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(
                       GetProcAddress(kernel, "SetDefaultDllDirectories")))
                 : nullptr;
  return set != nullptr && set(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

// `name` from the system folder only. Without the loader's flag, by its full path,
// with its own dependencies searched from that folder rather than the program's.
HMODULE LoadSystemLibrary(const char* name) {
  wchar_t wideName[MAX_PATH] = {};
  if (MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, MAX_PATH) == 0) return nullptr;
  // A name with a path is not one a system library has.
  if (std::wcspbrk(wideName, L"\\/:") != nullptr) return nullptr;
  if (g_systemFlagKnown) return LoadLibraryExW(wideName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  wchar_t path[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length + 1 + std::wcslen(wideName) >= MAX_PATH) return nullptr;
  path[length] = L'\\';
  std::wcscpy(path + length + 1, wideName);
  return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The libraries outside the system's known list (crypt32 and bcrypt for libcurl's
// Schannel, winhttp for the system proxy, userenv for the profiles folder) are
// delay-loaded: the import table names only known ones, and each of these is
// loaded here, on its first call, from the system folder. A system library that
// cannot be loaded from there is never looked for elsewhere: the run ends.
FARPROC WINAPI BeforeDelayLoad(unsigned note, PDelayLoadInfo info) {
  if (note != dliNotePreLoadLibrary) return nullptr;
  RestrictLibrarySearchToSystemFolder();
  HMODULE module = LoadSystemLibrary(info->szDll);
  if (module == nullptr) {
    OutputDebugStringW(L"A system library cannot be loaded from the system folder");
    ExitProcess(0);
  }
  return reinterpret_cast<FARPROC>(module);
}

// Before the C++ objects of the program are made (the analytic record reads the
// registry while it is built): nothing runs earlier but the runtime's own start.
__attribute__((constructor(101))) void RestrictBeforeStaticObjects() {
  RestrictLibrarySearchToSystemFolder();
}

}  // namespace

void RestrictLibrarySearchToSystemFolder() {
  if (g_restricted) return;
  g_restricted = true;
  g_systemFlagKnown = LoaderKnowsSystemFlag();
  // Without the flag, at least the current folder leaves the search.
  if (!g_systemFlagKnown) SetDllDirectoryW(L"");
  SetSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
  // The system's own code loads these by name on the program's behalf (Schannel
  // crypt32 and bcrypt, WinHTTP's proxy detection dhcpcsvc), and not every loader
  // applies the default directories to such loads (Windows 7 without KB2533623,
  // Wine's loader for its own libraries). Once loaded from System32, a load by the
  // same name finds them in the process and searches no folder.
  for (const char* name : {"crypt32.dll", "bcrypt.dll", "dhcpcsvc.dll"}) LoadSystemLibrary(name);
}

}  // namespace qiv::platform

// Read by the runtime's delay-load helper; defined beside the function main calls,
// so the link always takes it rather than the runtime's empty default.
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = qiv::platform::BeforeDelayLoad;
}
