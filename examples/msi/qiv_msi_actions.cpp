// The MSI example's custom action DLL, for the two things Windows Installer itself
// does not do. Both are deferred actions that read CustomActionData, and both always
// return success: the calls they serve report, they decide nothing about the
// installation.
//
// QivRunAndWait: Windows Installer waits for a program it starts either until it ends
// or not at all, and the uninstall event must be waited for only as long as it needs
// to read Register.ini and the game list. CustomActionData is
//   MILLISECONDS COMMAND LINE
// it starts the command line and waits until it ends, MILLISECONDS at most; after that
// the program runs on by itself.
//
// QivDeleteLater, after RemoveFiles: CustomActionData is the install folder with its
// trailing backslash. A QivDepends.exe still there is one that a call still runs; it
// and the folder go at the next restart. (Windows moves a file in use out of the way
// itself, so there this finds nothing; Wine's msiexec leaves it.)
#include <windows.h>
// windows.h first: msi.h needs its types.
#include <msi.h>
#include <msiquery.h>

#include <cwchar>
#include <memory>
#include <string>

namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using ScopedHandle = std::unique_ptr<void, HandleCloser>;

std::wstring CustomActionData(MSIHANDLE install) {
  wchar_t probe[1] = L"";
  DWORD size = 0;
  if (MsiGetPropertyW(install, L"CustomActionData", probe, &size) != ERROR_MORE_DATA) {
    return {};
  }
  std::wstring data(size + 1, L'\0');
  size = static_cast<DWORD>(data.size());
  if (MsiGetPropertyW(install, L"CustomActionData", data.data(), &size) != ERROR_SUCCESS) {
    return {};
  }
  data.resize(size);
  return data;
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall QivRunAndWait(MSIHANDLE install) {
  std::wstring data = CustomActionData(install);
  wchar_t* rest = nullptr;
  const unsigned long milliseconds = std::wcstoul(data.c_str(), &rest, 10);
  while (*rest == L' ') ++rest;
  // CreateProcessW may write into the command line it is given.
  std::wstring command(rest);
  if (command.empty()) return ERROR_SUCCESS;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return ERROR_SUCCESS;
  }
  ScopedHandle process(started.hProcess);
  ScopedHandle thread(started.hThread);
  WaitForSingleObject(process.get(), milliseconds);
  return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall QivDeleteLater(MSIHANDLE install) {
  std::wstring folder = CustomActionData(install);
  if (folder.size() < 2 || folder.back() != L'\\') return ERROR_SUCCESS;
  const std::wstring program = folder + L"QivDepends.exe";
  if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) return ERROR_SUCCESS;
  MoveFileExW(program.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  folder.pop_back();
  MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return ERROR_SUCCESS;
}
