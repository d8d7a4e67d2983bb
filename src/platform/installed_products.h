// The products Windows lists as installed ("Programs and Features"), by the folders
// they name: an uninstaller must not delete another product's files.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qiv::platform {

// One entry of the list: its InstallLocation, or where that is missing, the
// folders of the absolute programs its UninstallString and DisplayIcon name.
struct InstalledProduct {
  std::vector<std::wstring> locations;
};

// The entries under SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall in
// HKEY_LOCAL_MACHINE (64-bit and 32-bit views) and in HKEY_CURRENT_USER. Entries
// that name no folder are left out.
std::vector<InstalledProduct> QueryInstalledProducts();

// The folder of the program that a command line or an icon reference begins with
// ("\"C:\App\unins000.exe\" /S", "C:\App\app.exe,0"), when the program is named by
// a drive or share path or one from the root of the current drive; nothing
// otherwise (MsiExec.exe /X{...}).
std::optional<std::wstring> ProgramFolder(const std::wstring& commandLine);

// An InstallLocation as a folder path: blanks and one pair of quotes around it and
// a trailing separator removed; nothing when it is a relative path.
std::optional<std::wstring> LocationFolder(const std::wstring& location);

}  // namespace qiv::platform
