// The POSIX stand-in protects the system's own trees, the user's home, the roots
// where users keep data and this program's folder, all named as the program sees
// them ("Z:\..."), and the Windows folders of the mapped drive C:, so that a test
// tree on a drive behaves as it would on Windows.
#include "platform/protected_folders.h"

#include "platform/current_drive.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

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

}  // namespace

ProtectedFolders QueryProtectedFolders() {
  ProtectedFolders folders;
  for (const char* path :
       {"/home", "/root", "/tmp", "/var/tmp", "/mnt", "/media", "/opt", "/srv"}) {
    folders.kept.push_back(AsWindowsPath(path));
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    folders.kept.push_back(AsWindowsPath(home));
  }
  char module[PATH_MAX + 1];
  const ssize_t length = readlink("/proc/self/exe", module, PATH_MAX);
  if (length > 0) {
    std::string directory(module, static_cast<size_t>(length));
    const size_t slash = directory.rfind('/');
    if (slash != std::string::npos && slash > 0)
      folders.kept.push_back(AsWindowsPath(directory.substr(0, slash)));
  }
  folders.keptWithChildren = {AsWindowsPath("/home"), L"C:\\Users"};
  for (const wchar_t* path : {L"C:\\Program Files", L"C:\\Program Files (x86)", L"C:\\ProgramData",
                              L"C:\\Users\\Public", L"C:\\Users\\Default"}) {
    folders.kept.emplace_back(path);
  }

  for (const char* path : {"/bin", "/boot", "/dev", "/etc", "/lib", "/lib32", "/lib64", "/proc",
                           "/run", "/sbin", "/sys", "/usr", "/var"}) {
    folders.sealed.push_back(AsWindowsPath(path));
  }
  folders.sealed.emplace_back(L"C:\\Windows");
  folders.currentDrive = CurrentDrive();
  return folders;
}

}  // namespace qiv::platform
