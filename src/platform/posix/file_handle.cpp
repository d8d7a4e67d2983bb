// Handles that identify a file or directory, for its metadata: what the program
// needs to tell whether two paths name the same folder. A handle holds an O_PATH
// descriptor; FILE_FLAG_OPEN_REPARSE_POINT opens a symbolic link itself, as
// Windows opens a reparse point itself.
//
// Share modes are accepted and not enforced: Windows refuses to rename or delete
// a file while a handle that withholds FILE_SHARE_DELETE is open, but nothing
// here can make the kernel refuse another process's rename. A program that holds
// folders must therefore compare them again through its handles, which works
// the same on both systems.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

#include "platform/posix/deletion_hooks.h"
#include "platform/posix/path_map.h"
#include "platform/posix/utf.h"
#include "platform/win32.h"

namespace {

constexpr unsigned kFileHandleTag = 0x51564648;  // "QVFH"

struct FileHandle {
  unsigned tag = kFileHandleTag;
  int fd = -1;
  DWORD access = 0;
  std::wstring name;  // as the program gave it
  bool deleteOnClose = false;
};

FileHandle* AsFileHandle(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
  auto* file = static_cast<FileHandle*>(handle);
  return file->tag == kFileHandleTag ? file : nullptr;
}

DWORD StatusFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case ENAMETOOLONG:
      return ERROR_INVALID_NAME;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

std::string CurrentName(int fd) {
  char buffer[PATH_MAX + 1];
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = readlink(self.c_str(), buffer, PATH_MAX);
  return length > 0 && buffer[0] == '/' ? std::string(buffer, length) : std::string();
}

bool DirectoryEmpty(int fd) {
  const int listing = openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* directory = listing >= 0 ? fdopendir(listing) : nullptr;
  if (directory == nullptr) {
    if (listing >= 0) close(listing);
    return false;
  }
  bool empty = true;
  while (const dirent* entry = readdir(directory)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") empty = false;
  }
  closedir(directory);
  return empty;
}

// Windows deletes the object the handle holds. A descriptor cannot be unlinked,
// so the name it has now is used, after checking that it still leads to the same
// object; a rename in between cannot be ruled out here.
void DeleteByDescriptor(int fd) {
  struct stat held;
  struct stat named;
  const std::string name = CurrentName(fd);
  if (name.empty() || fstat(fd, &held) != 0 || lstat(name.c_str(), &named) != 0 ||
      held.st_dev != named.st_dev || held.st_ino != named.st_ino) {
    return;
  }
  if (S_ISDIR(held.st_mode)) {
    rmdir(name.c_str());
  } else {
    unlink(name.c_str());
  }
}

}  // namespace

HANDLE CreateFileW(LPCWSTR fileName, DWORD access, DWORD, LPVOID, DWORD creationDisposition,
                   DWORD flags, HANDLE) {
  if (fileName == nullptr || creationDisposition != OPEN_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const auto path = qiv::posix::MapWindowsPath(fileName);
  if (!path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  int openFlags = O_PATH | O_CLOEXEC;
  if ((flags & FILE_FLAG_OPEN_REPARSE_POINT) != 0) openFlags |= O_NOFOLLOW;
  const int fd = open(path->c_str(), openFlags);
  if (fd < 0) {
    SetLastError(StatusFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  struct stat info;
  // Windows opens a directory only for backup semantics.
  if (fstat(fd, &info) != 0 ||
      (S_ISDIR(info.st_mode) && (flags & FILE_FLAG_BACKUP_SEMANTICS) == 0)) {
    close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  auto* handle = new FileHandle;
  handle->fd = fd;
  handle->access = access;
  handle->name = fileName;
  return handle;
}

BOOL CloseHandle(HANDLE object) {
  FileHandle* file = AsFileHandle(object);
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (file->deleteOnClose) DeleteByDescriptor(file->fd);
  close(file->fd);
  file->tag = 0;
  delete file;
  return TRUE;
}

BOOL SetFileInformationByHandle(HANDLE handle, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info,
                                DWORD size) {
  FileHandle* file = AsFileHandle(handle);
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (infoClass != FileDispositionInfo || info == nullptr || size < sizeof(FILE_DISPOSITION_INFO)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!static_cast<FILE_DISPOSITION_INFO*>(info)->DeleteFile) {
    file->deleteOnClose = false;
    return TRUE;
  }
  struct stat status;
  // Windows refuses a handle without DELETE access, a file already deleted, and
  // a directory with anything left in it.
  if ((file->access & DELETE) == 0 || fstat(file->fd, &status) != 0 || status.st_nlink == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (S_ISDIR(status.st_mode) && !DirectoryEmpty(file->fd)) {
    SetLastError(ERROR_DIR_NOT_EMPTY);
    return FALSE;
  }
  const auto kind = S_ISDIR(status.st_mode) ? qiv::posix::DeletionKind::kDirectory
                                            : qiv::posix::DeletionKind::kFile;
  if (qiv::posix::InterceptDeletion(kind, file->name)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  file->deleteOnClose = true;
  return TRUE;
}

BOOL GetFileInformationByHandle(HANDLE handle, LPBY_HANDLE_FILE_INFORMATION information) {
  FileHandle* file = AsFileHandle(handle);
  struct stat info;
  if (file == nullptr || information == nullptr || fstat(file->fd, &info) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *information = BY_HANDLE_FILE_INFORMATION{};
  DWORD attributes = 0;
  if (S_ISLNK(info.st_mode)) {
    attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    struct stat target;
    const std::string self = "/proc/self/fd/" + std::to_string(file->fd);
    if (stat(self.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
      attributes |= FILE_ATTRIBUTE_DIRECTORY;
    }
  } else if (S_ISDIR(info.st_mode)) {
    attributes |= FILE_ATTRIBUTE_DIRECTORY;
  } else if ((info.st_mode & 0222) == 0) {
    attributes |= FILE_ATTRIBUTE_READONLY;
  }
  information->dwFileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
  // The device stands for the volume, the inode for the file index.
  const auto device = static_cast<uint64_t>(info.st_dev);
  information->dwVolumeSerialNumber = static_cast<DWORD>(device ^ (device >> 32));
  const auto inode = static_cast<uint64_t>(info.st_ino);
  information->nFileIndexHigh = static_cast<DWORD>(inode >> 32);
  information->nFileIndexLow = static_cast<DWORD>(inode);
  information->nNumberOfLinks = static_cast<DWORD>(info.st_nlink);
  information->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(info.st_size) >> 32);
  information->nFileSizeLow = static_cast<DWORD>(info.st_size);
  return TRUE;
}

// The path with every link resolved, "\\?\Z:\..." (all of this system lies on Z:).
DWORD GetFinalPathNameByHandleW(HANDLE handle, LPWSTR path, DWORD size, DWORD) {
  FileHandle* file = AsFileHandle(handle);
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  char buffer[PATH_MAX + 1];
  const std::string self = "/proc/self/fd/" + std::to_string(file->fd);
  const ssize_t length = readlink(self.c_str(), buffer, PATH_MAX);
  if (length <= 0 || buffer[0] != '/') {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  std::wstring final = L"\\\\?\\Z:" + qiv::posix::Utf8ToUtf16(std::string(buffer, length));
  for (wchar_t& unit : final) {
    if (unit == L'/') unit = L'\\';
  }
  if (path == nullptr || final.size() >= size) return static_cast<DWORD>(final.size() + 1);
  final.copy(path, final.size());
  path[final.size()] = 0;
  return static_cast<DWORD>(final.size());
}
