#include "platform/profile_folders.h"

#include "base/strings/case_rules.h"
#include "platform/registry_text.h"
#include "platform/scoped_win32.h"

namespace qiv::platform {

namespace {

constexpr wchar_t kUserShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr wchar_t kProfileReference[] = L"%USERPROFILE%";

constexpr UserFolderName kNames[] = {
    {L"Desktop", L"{B4BFCC3A-DB2C-424C-B029-7FE99A87C641}"},
    {L"Personal", L"{FDD39AD0-238F-46AF-ADB4-6C85480369C7}"},
    {nullptr, L"{374DE290-123F-4565-9164-39C4925E467B}"},  // Downloads
    {L"My Music", L"{4BD8D571-6D19-48D3-BE97-422220080E43}"},
    {L"My Pictures", L"{33E28130-4E1E-4676-835A-98395C3BC3BB}"},
    {L"My Video", L"{18989B1D-99B5-455B-841C-AB7C74E4DDFC}"},
    {nullptr, L"{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}"},  // Saved Games
    {L"Favorites", L"{1777F761-68AD-4D8A-87BD-30B759FA33DD}"},
    {nullptr, L"{56784854-C6CB-462B-8169-88E350ACB882}"},  // Contacts
    {nullptr, L"{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}"},  // Links
    {nullptr, L"{7D1D3A04-DEBB-4115-95CF-2F29DA2920DA}"},  // Searches
    {L"AppData", L"{3EB685DB-65F9-4CF6-A03A-E3EF65729F3D}"},
    {L"Local AppData", L"{F1B32785-6FBA-4FCF-9D55-7B8E7F157091}"},
    {nullptr, L"{A520A1A4-1780-4FF6-BD18-167343C5AF16}"},  // LocalLow
    {L"Start Menu", L"{625B53C3-AB48-4EC1-BA1F-A1EF4146FC19}"},
    {L"Programs", L"{A77F5D77-2E2B-44C3-A6A2-ABA601054A51}"},
    {L"Startup", L"{B97D20BB-F46A-4C97-BA10-5E3608430854}"},
    {L"Templates", L"{A63293E8-664E-48DB-A079-DF759E0509F7}"},
    {L"Recent", L"{AE50C081-EBD2-438A-8655-8A092E34987A}"},
    {L"SendTo", L"{8983036C-27C0-404B-8F08-102D10DCFD74}"},
    {L"Cookies", L"{2B0F765D-C0E9-4171-908E-08A611B84FF6}"},
    {L"Cache", L"{352481E8-33BE-4251-BA85-6007CAEDCF9D}"},
    {L"History", L"{D9DC8A3B-B784-432E-A781-5A1130A75963}"},
};

// The standard folders of every user profile, below the profile folder, where
// they are until Explorer moves them.
const wchar_t* const kProfileFolders[] = {L"Desktop",
                                          L"Documents",
                                          L"Downloads",
                                          L"Music",
                                          L"Pictures",
                                          L"Videos",
                                          L"Saved Games",
                                          L"Favorites",
                                          L"Contacts",
                                          L"Links",
                                          L"Searches",
                                          L"AppData",
                                          L"AppData\\Local",
                                          L"AppData\\LocalLow",
                                          L"AppData\\Roaming",
                                          L"OneDrive",
                                          nullptr};

// The profile of the hive the value came from, not the running user's, stands
// for %USERPROFILE%.
std::wstring Expanded(std::wstring text, const std::wstring& profile) {
  const size_t length = std::char_traits<wchar_t>::length(kProfileReference);
  for (size_t at = text.find(L'%'); at != std::wstring::npos; at = text.find(L'%', at)) {
    if (String::StartsWithKeyword(text.c_str() + at, kProfileReference)) {
      text.replace(at, length, profile);
      at += profile.size();
    } else {
      ++at;
    }
  }
  if (text.find(L'%') == std::wstring::npos) return text;
  return ExpandEnvironment(text);
}

// Every folder directly in the profile whose name begins with "OneDrive"
// ("OneDrive", "OneDrive - Company", ...).
void AddOneDriveFolders(const std::wstring& profile, std::vector<std::wstring>& folders) {
  WIN32_FIND_DATAW entry{};
  const std::wstring pattern = profile + L"\\*";
  const ScopedFind find(FindFirstFileW(pattern.c_str(), &entry));
  if (!find) return;
  do {
    const std::wstring name = entry.cFileName;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        String::StartsWithKeyword(name, L"OneDrive")) {
      folders.push_back(profile + L"\\" + name);
    }
  } while (FindNextFileW(find.Get(), &entry));
}

}  // namespace

std::span<const UserFolderName> UserFolderNames() { return kNames; }

void AddUserShellFolders(HKEY root, const std::wstring& userKey, const std::wstring& profile,
                         std::vector<std::wstring>& folders) {
  const std::wstring path =
      userKey.empty() ? kUserShellFolders : userKey + L"\\" + kUserShellFolders;
  ScopedRegistryKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) {
    return;
  }
  for (const UserFolderName& name : kNames) {
    for (const wchar_t* valueName : {name.knownFolderId, name.legacyName}) {
      if (valueName == nullptr) continue;
      const std::wstring value = ReadRegistryText(key.Get(), valueName);
      if (value.empty()) continue;
      if (std::wstring folder = Expanded(value, profile); !folder.empty()) {
        folders.push_back(std::move(folder));
      }
    }
  }
}

std::wstring ReadUserShellFolder(HKEY root, const std::wstring& userKey,
                                 const std::wstring& profile, const wchar_t* valueName) {
  const std::wstring path =
      userKey.empty() ? kUserShellFolders : userKey + L"\\" + kUserShellFolders;
  ScopedRegistryKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) {
    return std::wstring();
  }
  const std::wstring value = ReadRegistryText(key.Get(), valueName);
  return value.empty() ? value : Expanded(value, profile);
}

void AddProfileFolders(const std::wstring& profile, std::vector<std::wstring>& folders) {
  folders.push_back(profile);
  for (const wchar_t* const* name = kProfileFolders; *name != nullptr; ++name) {
    folders.push_back(profile + L"\\" + *name);
  }
  AddOneDriveFolders(profile, folders);
}

}  // namespace qiv::platform
