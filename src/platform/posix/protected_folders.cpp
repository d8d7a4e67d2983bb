// The POSIX stand-in protects the system's own trees, the user's home, the roots
// where users keep data and this program's folder, all named as the program sees
// them ("Z:\..."), the root of every drive, and the Windows folders of the mapped
// drive C:, where every folder in C:\Users is a profile, so that a test tree on a
// drive behaves as it would on Windows. The running user's folders are also
// where the registry file's "User Shell Folders" says they are.
#include "platform/protected_folders.h"

#include "platform/current_drive.h"
#include "platform/host_folders.h"
#include "platform/profile_folders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/memory/scoped_handle.h"
#include "platform/posix/path_map.h"
#include "platform/posix/utf.h"

namespace qiv::platform {

namespace {

std::wstring AsWindowsPath(const std::string& posixPath) {
  std::wstring path = L"Z:" + qiv::posix::Utf8ToUtf16(posixPath);
  for (wchar_t& unit : path) {
    if (unit == L'/') unit = L'\\';
  }
  return path;
}

// The names of the directories in a folder that the program names `windowsPath`.
std::vector<std::wstring> SubdirectoryNames(const std::wstring& windowsPath) {
  std::vector<std::wstring> names;
  const auto path = qiv::posix::MapWindowsPath(windowsPath);
  const std::unique_ptr<DIR, qiv::FreeWith<closedir>> directory(path ? opendir(path->c_str())
                                                                     : nullptr);
  if (!directory) return names;
  while (const dirent* entry = readdir(directory.get())) {
    const std::string name = entry->d_name;
    struct stat info;
    if (name != "." && name != ".." && stat((*path + "/" + name).c_str(), &info) == 0 &&
        S_ISDIR(info.st_mode)) {
      names.push_back(qiv::posix::Utf8ToUtf16(name));
    }
  }
  return names;
}

}  // namespace

ProtectedFolders QueryProtectedFolders() {
  ProtectedFolders folders;
  for (const HostFolder& host : kHostFolders) {
    AddHostFolder(folders, host.kind, AsWindowsPath(host.path));
  }
  // The running user's profile is $HOME; its registry hive is the file's
  // HKEY_CURRENT_USER, where Explorer would record moved user folders.
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    folders.kept.push_back(AsWindowsPath(home));
    folders.profiles.push_back(AsWindowsPath(home));
    AddUserShellFolders(HKEY_CURRENT_USER, L"", AsWindowsPath(home), folders.kept);
  }
  char module[PATH_MAX + 1];
  const ssize_t length = readlink("/proc/self/exe", module, PATH_MAX);
  if (length > 0) {
    std::string directory(module, static_cast<size_t>(length));
    const size_t slash = directory.rfind('/');
    if (slash != std::string::npos && slash > 0)
      folders.kept.push_back(AsWindowsPath(directory.substr(0, slash)));
  }
  folders.keptWithChildren.emplace_back(L"C:\\Users");
  for (const std::wstring& name : SubdirectoryNames(L"C:\\Users")) {
    folders.profiles.push_back(L"C:\\Users\\" + name);
  }
  // Drive roots: Z: is "/", the others are the letters under QIV_DRIVE_ROOT.
  folders.kept.emplace_back(L"Z:\\");
  for (wchar_t letter = L'A'; letter < L'Z'; ++letter) {
    const std::wstring root = std::wstring(1, letter) + L":\\";
    const auto path = qiv::posix::MapWindowsPath(root);
    struct stat info;
    if (path && stat(path->c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      folders.kept.push_back(root);
    }
  }
  for (const wchar_t* path : {L"C:\\Program Files", L"C:\\Program Files (x86)", L"C:\\ProgramData",
                              L"C:\\Users\\Public", L"C:\\Users\\Default"}) {
    folders.kept.emplace_back(path);
  }

  folders.sealed.emplace_back(L"C:\\Windows");
  folders.currentDrive = CurrentDrive();
  return folders;
}

}  // namespace qiv::platform
