// Directory listings: FindFirstFileW with a pattern "DIR\*" lists every entry of
// DIR, "." and ".." included as on Windows; a path without wildcards finds the one
// entry it names. Entries are described as the link or
// file itself, never what a link points to.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/posix/file_attributes.h"
#include "platform/posix/path_map.h"
#include "platform/posix/utf.h"
#include "platform/win32.h"

namespace {

constexpr unsigned kFindHandleTag = 0x51564644;  // "QVFD"
constexpr DWORD kSymlinkReparseTag = 0xA000000C;

struct FindHandle {
  unsigned tag = kFindHandleTag;
  DIR* directory = nullptr;
};

FindHandle* AsFindHandle(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
  auto* find = static_cast<FindHandle*>(handle);
  return find->tag == kFindHandleTag ? find : nullptr;
}

// Describes one entry of the directory `directoryFd`: the link or file itself.
void Describe(int directoryFd, const std::string& name, LPWIN32_FIND_DATAW data) {
  *data = WIN32_FIND_DATAW{};
  struct stat info;
  data->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
  if (fstatat(directoryFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISLNK(info.st_mode)) data->dwReserved0 = kSymlinkReparseTag;
    data->dwFileAttributes = qiv::posix::EntryAttributes(info, directoryFd, name.c_str());
  }
  const std::wstring wide = qiv::posix::Utf8ToUtf16(name);
  wide.copy(data->cFileName, std::min<size_t>(wide.size(), MAX_PATH - 1));
}

// Fills the record for the next entry; false at the end of the listing.
bool NextEntry(FindHandle& find, LPWIN32_FIND_DATAW data) {
  while (const dirent* entry = readdir(find.directory)) {
    if (qiv::posix::Utf8ToUtf16(entry->d_name).size() >= MAX_PATH) {
      continue;  // Windows could not list it either
    }
    Describe(dirfd(find.directory), entry->d_name, data);
    return true;
  }
  return false;
}

// A name without wildcards finds that one entry, named as this system names it
// (there are no short aliases here). Its handle lists nothing more.
HANDLE FindOne(const std::wstring& fileName, LPWIN32_FIND_DATAW data) {
  // A name that ends in a separator names no entry: Windows finds nothing.
  if (fileName.back() == L'\\' || fileName.back() == L'/') {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const auto path = qiv::posix::MapWindowsPath(fileName);
  const size_t slash = path ? path->rfind('/') : std::string::npos;
  if (!path || slash == std::string::npos || slash + 1 == path->size()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const std::string parent = slash == 0 ? "/" : path->substr(0, slash);
  const std::string name = path->substr(slash + 1);
  const int fd = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  struct stat info;
  if (fd < 0 || fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    if (fd >= 0) close(fd);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  Describe(fd, name, data);
  close(fd);
  return new FindHandle;  // no directory: nothing more to list
}

}  // namespace

HANDLE FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData) {
  const std::wstring pattern = fileName != nullptr ? fileName : L"";
  if (findData != nullptr && !pattern.empty() &&
      pattern.find_first_of(L"*?") == std::wstring::npos) {
    return FindOne(pattern, findData);
  }
  if (findData == nullptr || pattern.size() < 2 ||
      pattern.compare(pattern.size() - 2, 2, L"\\*") != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);  // only "DIR\*" and single names are offered
    return INVALID_HANDLE_VALUE;
  }
  const auto path = qiv::posix::MapWindowsPath(pattern.substr(0, pattern.size() - 1));
  const int fd = path ? open(path->c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC) : -1;
  if (fd < 0) {
    SetLastError(path && errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto* find = new FindHandle;
  find->directory = fdopendir(fd);
  if (find->directory == nullptr) {
    close(fd);
    delete find;
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (!NextEntry(*find, findData)) {
    FindClose(find);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return find;
}

BOOL FindNextFileW(HANDLE handle, LPWIN32_FIND_DATAW findData) {
  FindHandle* find = AsFindHandle(handle);
  if (find == nullptr || findData == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  errno = 0;
  if (find->directory != nullptr && NextEntry(*find, findData)) return TRUE;
  SetLastError(errno == 0 ? ERROR_NO_MORE_FILES : ERROR_ACCESS_DENIED);
  return FALSE;
}

BOOL FindClose(HANDLE handle) {
  FindHandle* find = AsFindHandle(handle);
  if (find == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (find->directory != nullptr) closedir(find->directory);
  find->tag = 0;
  delete find;
  return TRUE;
}
