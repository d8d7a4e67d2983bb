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

#include "platform/posix/file_attributes.h"
#include "platform/posix/file_handle_table.h"
#include "platform/posix/path_map.h"
#include "platform/posix/utf.h"
#include "platform/win32.h"

namespace qiv::posix {

namespace {

std::string CurrentName(int fd) {
  char buffer[PATH_MAX + 1];
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = readlink(self.c_str(), buffer, PATH_MAX);
  return length > 0 && buffer[0] == '/' ? std::string(buffer, length) : std::string();
}

bool SameObject(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

FileHandle::~FileHandle() {
  if (listing != nullptr) closedir(listing);
  if (fd >= 0) close(fd);
  if (parentFd >= 0) close(parentFd);
}

FileHandle* AsFileHandle(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
  auto* file = static_cast<FileHandle*>(handle);
  return file->tag == kFileHandleTag ? file : nullptr;
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case ENAMETOOLONG:
      return ERROR_INVALID_NAME;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
      return ERROR_DISK_FULL;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

int ListingDescriptor(const FileHandle& handle) {
  return openat(handle.fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

DWORD AttributesOf(const struct stat& info, const FileHandle& handle) {
  // The link's target is found from where the link is, as its text is relative there.
  if (handle.parentFd >= 0) return EntryAttributes(info, handle.parentFd, handle.entryName.c_str());
  const std::string name = S_ISLNK(info.st_mode) ? CurrentName(handle.fd) : std::string();
  return EntryAttributes(info, AT_FDCWD, name.c_str());
}

// Windows deletes the object the handle holds. A descriptor cannot be unlinked,
// so the entry is addressed by the folder it was opened in and its name there, or
// else by the name the descriptor has now; either only after checking that it
// still leads to the same object. A rename in between cannot be ruled out here.
void DeleteHeldObject(FileHandle& handle) {
  const int removeFlag = handle.directory ? AT_REMOVEDIR : 0;
  struct stat held;
  held.st_dev = handle.device;
  held.st_ino = handle.inode;
  struct stat named;
  if (handle.parentFd >= 0 &&
      fstatat(handle.parentFd, handle.entryName.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
      SameObject(held, named)) {
    unlinkat(handle.parentFd, handle.entryName.c_str(), removeFlag);
    return;
  }
  const std::string name = CurrentName(handle.fd);
  if (name.empty() || lstat(name.c_str(), &named) != 0 || !SameObject(held, named)) return;
  unlinkat(AT_FDCWD, name.c_str(), removeFlag);
}

}  // namespace qiv::posix

using qiv::posix::AsFileHandle;
using qiv::posix::FileHandle;

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
    SetLastError(qiv::posix::ErrorFromErrno(errno));
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
  handle->directory = S_ISDIR(info.st_mode);
  handle->device = info.st_dev;
  handle->inode = info.st_ino;
  // A file opened for writing gets a descriptor that can write, without truncation.
  if ((access & (GENERIC_WRITE | FILE_WRITE_DATA)) != 0 && S_ISREG(info.st_mode)) {
    const int writer = open(path->c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat written;
    if (writer < 0 || fstat(writer, &written) != 0 || written.st_ino != info.st_ino ||
        written.st_dev != info.st_dev) {
      if (writer >= 0) close(writer);
      delete handle;
      SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
    close(handle->fd);
    handle->fd = writer;
    handle->writable = true;
  }
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
  if (file->deleteOnClose) qiv::posix::DeleteHeldObject(*file);
  file->tag = 0;
  delete file;
  return TRUE;
}

BOOL GetFileInformationByHandle(HANDLE handle, LPBY_HANDLE_FILE_INFORMATION information) {
  FileHandle* file = AsFileHandle(handle);
  struct stat info;
  if (file == nullptr || information == nullptr ||
      fstatat(file->fd, "", &info, AT_EMPTY_PATH) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *information = BY_HANDLE_FILE_INFORMATION{};
  information->dwFileAttributes = qiv::posix::AttributesOf(info, *file);
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
