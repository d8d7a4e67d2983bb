#include "platform/protected_folders.h"

#include "platform/current_drive.h"

#include <objbase.h>
#include <shlobj.h>
#include <userenv.h>

#include <memory>

#include "platform/host_folders.h"
#include "platform/profile_folders.h"
#include "platform/registry_text.h"
#include "platform/scoped_win32.h"
#include "platform/win32.h"
#include "platform/windows/shell_folder.h"

namespace qiv::platform {

namespace {

void AddEnvironmentFolder(std::vector<std::wstring>& list, const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(name, path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) list.emplace_back(path);
}

void AddBelow(std::vector<std::wstring>& list, int csidl, const wchar_t* child) {
  std::vector<std::wstring> parent;
  AddShellFolder(parent, csidl);
  if (!parent.empty()) list.push_back(parent.front() + L"\\" + child);
}

// A string value of the key, environment references expanded; empty when absent.
std::wstring ReadPathValue(HKEY key, const wchar_t* name) {
  return ExpandEnvironment(ReadRegistryText(key, name));
}

// Every profile the system knows, whoever runs this program (LocalSystem too):
// the profiles folder and each profile listed in ProfileList (64-bit view, where
// the system keeps it), with the Default and Public profiles.
void AddProfiles(ProtectedFolders& folders) {
  wchar_t directory[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  if (GetProfilesDirectoryW(directory, &size) && directory[0]) {
    folders.keptWithChildren.emplace_back(directory);
  }
  ScopedRegistryKey list;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0,
                    KEY_READ | KEY_WOW64_64KEY, list.Receive()) != ERROR_SUCCESS) {
    return;
  }
  if (const std::wstring path = ReadPathValue(list.Get(), L"ProfilesDirectory"); !path.empty()) {
    folders.keptWithChildren.push_back(path);
  }
  for (const wchar_t* name : {L"Default", L"Public"}) {
    if (const std::wstring path = ReadPathValue(list.Get(), name); !path.empty()) {
      folders.profiles.push_back(path);
    }
  }
  KeyName sid = {};
  for (DWORD index = 0; NextSubkeyName(list.Get(), index, sid);) {
    ScopedRegistryKey profile;
    if (RegOpenKeyExW(list.Get(), sid, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, profile.Receive()) !=
        ERROR_SUCCESS) {
      continue;
    }
    if (const std::wstring path = ReadPathValue(profile.Get(), L"ProfileImagePath");
        !path.empty()) {
      folders.profiles.push_back(path);
      // Where that user moved their folders, when the user's hive is loaded.
      AddUserShellFolders(HKEY_USERS, sid, path, folders.kept);
    }
  }
}

// The running user's folders where the system says they are, moved ones included.
void AddKnownFolders(std::vector<std::wstring>& list) {
  for (const UserFolderName& name : UserFolderNames()) {
    GUID id{};
    if (FAILED(CLSIDFromString(name.knownFolderId, &id))) continue;
    PWSTR path = nullptr;
    const HRESULT found = SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path);
    const std::unique_ptr<wchar_t, FreeWith<CoTaskMemFree>> owned(path);
    if (SUCCEEDED(found) && path && path[0]) list.emplace_back(path);
  }
}

}  // namespace

ProtectedFolders QueryProtectedFolders() {
  ProtectedFolders folders;
  static const int kKept[] = {CSIDL_PROFILE,
                              CSIDL_DESKTOPDIRECTORY,
                              CSIDL_COMMON_DESKTOPDIRECTORY,
                              CSIDL_PERSONAL,
                              CSIDL_COMMON_DOCUMENTS,
                              CSIDL_MYMUSIC,
                              CSIDL_COMMON_MUSIC,
                              CSIDL_MYPICTURES,
                              CSIDL_COMMON_PICTURES,
                              CSIDL_MYVIDEO,
                              CSIDL_COMMON_VIDEO,
                              CSIDL_APPDATA,
                              CSIDL_LOCAL_APPDATA,
                              CSIDL_COMMON_APPDATA,
                              CSIDL_STARTMENU,
                              CSIDL_COMMON_STARTMENU,
                              CSIDL_PROGRAMS,
                              CSIDL_COMMON_PROGRAMS,
                              CSIDL_STARTUP,
                              CSIDL_COMMON_STARTUP,
                              CSIDL_FAVORITES,
                              CSIDL_TEMPLATES,
                              CSIDL_COMMON_TEMPLATES,
                              CSIDL_PROGRAM_FILES,
                              CSIDL_PROGRAM_FILESX86,
                              CSIDL_PROGRAM_FILES_COMMON,
                              CSIDL_PROGRAM_FILES_COMMONX86,
                              CSIDL_INTERNET_CACHE,
                              CSIDL_COOKIES,
                              CSIDL_HISTORY};
  for (int csidl : kKept) AddShellFolder(folders.kept, csidl);
  // A 32-bit process is told the x86 folders; the native ones come from the environment.
  for (const wchar_t* name :
       {L"ProgramW6432", L"CommonProgramW6432", L"ProgramFiles", L"ProgramData", L"PUBLIC",
        L"ALLUSERSPROFILE", L"USERPROFILE", L"TEMP", L"TMP"}) {
    AddEnvironmentFolder(folders.kept, name);
  }
  AddShellFolder(folders.profiles, CSIDL_PROFILE);
  AddEnvironmentFolder(folders.profiles, L"USERPROFILE");
  AddProfiles(folders);
  AddKnownFolders(folders.kept);
  AddBelow(folders.kept, CSIDL_PROFILE, L"Downloads");
  AddBelow(folders.kept, CSIDL_PROFILE, L"Saved Games");
  AddBelow(folders.kept, CSIDL_PERSONAL, L"My Games");

  wchar_t module[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    std::wstring directory(module, length);
    const size_t slash = directory.find_last_of(L"\\/");
    if (slash != std::wstring::npos) folders.kept.push_back(directory.substr(0, slash));
  }

  // Under Wine a drive (Z: at first) shows the host's whole file system.
  using DosFileName = WCHAR*(CDECL*)(LPCSTR);
  if (const auto dosFileName = reinterpret_cast<DosFileName>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")))) {
    for (const HostFolder& host : kHostFolders) {
      if (WCHAR* name = dosFileName(host.path)) {
        AddHostFolder(folders, host.kind, name);
        HeapFree(GetProcessHeap(), 0, name);
      }
    }
  }

  AddShellFolder(folders.sealed, CSIDL_WINDOWS);
  AddShellFolder(folders.sealed, CSIDL_SYSTEM);
  AddShellFolder(folders.sealed, CSIDL_SYSTEMX86);
  AddEnvironmentFolder(folders.sealed, L"SystemRoot");
  AddEnvironmentFolder(folders.sealed, L"windir");
  folders.currentDrive = CurrentDrive();
  return folders;
}

}  // namespace qiv::platform
