// Where a user's folders are: below the profile by default; where Explorer records
// them, moved ones included, in the user's "User Shell Folders" key by their
// known-folder id or their older name; and the folders OneDrive adds to the profile.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace qiv::platform {

struct UserFolderName {
  const wchar_t* legacyName;  // the value's older name, or null
  const wchar_t* knownFolderId;
};

// The user folders an uninstaller must never delete.
std::span<const UserFolderName> UserFolderNames();

// Adds the folders named in "...\Explorer\User Shell Folders" below `userKey` of
// `root` (HKEY_CURRENT_USER with an empty key, or HKEY_USERS with the user's SID),
// with %USERPROFILE% standing for `profile` and other references expanded.
void AddUserShellFolders(HKEY root, const std::wstring& userKey, const std::wstring& profile,
                         std::vector<std::wstring>& folders);

// One value of "...\Explorer\User Shell Folders" below `userKey` of `root` (as for
// AddUserShellFolders), expanded the same way; empty when it is not there.
std::wstring ReadUserShellFolder(HKEY root, const std::wstring& userKey,
                                 const std::wstring& profile, const wchar_t* valueName);

// Adds `profile` itself, its standard folders where they are by default
// (Desktop, Documents, AppData, ...) and every folder directly in it whose name
// begins with "OneDrive" ("OneDrive", "OneDrive - Company", ...).
void AddProfileFolders(const std::wstring& profile, std::vector<std::wstring>& folders);

}  // namespace qiv::platform
