// File attributes and deletion of single files and empty directories, on paths
// mapped by path_map.h.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/deletion_hooks.h"
#include "platform/posix/file_attributes.h"
#include "platform/posix/path_map.h"
#include "platform/win32.h"

DWORD GetFileAttributesW(LPCWSTR fileName) {
  if (fileName == nullptr) return INVALID_FILE_ATTRIBUTES;
  const auto path = qiv::posix::MapWindowsPath(fileName);
  struct stat info;
  if (!path || lstat(path->c_str(), &info) != 0) return INVALID_FILE_ATTRIBUTES;

  // Windows reports the link itself; a link to a directory is a directory link.
  return qiv::posix::EntryAttributes(info, AT_FDCWD, path->c_str());
}

namespace qiv::posix {

DWORD EntryAttributes(const struct stat& entry, int directoryFd, const char* name) {
  DWORD attributes = 0;
  if (S_ISLNK(entry.st_mode)) {
    attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    struct stat target;
    if (name[0] != '\0' && fstatat(directoryFd, name, &target, 0) == 0 && S_ISDIR(target.st_mode)) {
      attributes |= FILE_ATTRIBUTE_DIRECTORY;
    }
  } else if (S_ISDIR(entry.st_mode)) {
    attributes |= FILE_ATTRIBUTE_DIRECTORY;
  } else if ((entry.st_mode & 0222) == 0) {
    attributes |= FILE_ATTRIBUTE_READONLY;
  }
  return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

}  // namespace qiv::posix

BOOL DeleteFileW(LPCWSTR fileName) {
  if (fileName == nullptr) return FALSE;
  if (qiv::posix::InterceptDeletion(qiv::posix::DeletionKind::kFile, fileName)) return FALSE;
  const auto path = qiv::posix::MapWindowsPath(fileName);
  if (!path) return FALSE;
  // Windows refuses read-only files; unlink(2) never removes directories and
  // removes a link, not what it points to.
  struct stat info;
  if (lstat(path->c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0) {
    return FALSE;
  }
  return unlink(path->c_str()) == 0 ? TRUE : FALSE;
}

BOOL RemoveDirectoryW(LPCWSTR pathName) {
  if (pathName == nullptr) return FALSE;
  if (qiv::posix::InterceptDeletion(qiv::posix::DeletionKind::kDirectory, pathName)) return FALSE;
  const auto path = qiv::posix::MapWindowsPath(pathName);
  struct stat info;
  if (!path || lstat(path->c_str(), &info) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  if (S_ISLNK(info.st_mode)) {
    // A link to a directory is removed as the link, as Windows removes a
    // directory symbolic link or junction; its target stays.
    struct stat target;
    if (stat(path->c_str(), &target) == 0 && !S_ISDIR(target.st_mode)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    return unlink(path->c_str()) == 0 ? TRUE : FALSE;
  }
  if (rmdir(path->c_str()) == 0) return TRUE;
  SetLastError(errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ERROR_ACCESS_DENIED);
  return FALSE;
}
