// Information read and set through a handle: attributes, the listing of a folder,
// the disposition that deletes the object at its last close, and a rename into a
// held folder.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/posix/deletion_hooks.h"
#include "platform/posix/file_attributes.h"
#include "platform/posix/file_handle_table.h"
#include "platform/posix/utf.h"
#include "platform/win32.h"

namespace {

using qiv::posix::AsFileHandle;
using qiv::posix::FileHandle;

bool DirectoryEmpty(const FileHandle& file) {
  const int listing = qiv::posix::ListingDescriptor(file);
  DIR* directory = listing >= 0 ? fdopendir(listing) : nullptr;
  if (directory == nullptr) {
    if (listing >= 0) close(listing);
    return false;
  }
  bool empty = true;
  while (const dirent* entry = readdir(directory)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
      empty = false;
    }
  }
  closedir(directory);
  return empty;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

bool Stat(const FileHandle& file, struct stat& info) {
  return fstatat(file.fd, "", &info, AT_EMPTY_PATH) == 0;
}

// Windows refuses a handle without DELETE access, an object already deleted, a
// directory with anything left in it, and (unless told to ignore it) a read-only
// file.
BOOL SetDisposition(FileHandle& file, bool remove, bool ignoreReadOnly) {
  if (!remove) {
    file.deleteOnClose = false;
    return TRUE;
  }
  struct stat status;
  if ((file.access & DELETE) == 0 || !Stat(file, status) || status.st_nlink == 0) {
    return Fail(ERROR_ACCESS_DENIED);
  }
  const DWORD attributes = qiv::posix::AttributesOf(status, file);
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0 && !ignoreReadOnly) {
    return Fail(ERROR_ACCESS_DENIED);
  }
  if (S_ISDIR(status.st_mode) && !DirectoryEmpty(file)) return Fail(ERROR_DIR_NOT_EMPTY);
  if (qiv::posix::ImageHeld(file.name)) return Fail(ERROR_ACCESS_DENIED);
  const auto kind = S_ISDIR(status.st_mode) ? qiv::posix::DeletionKind::kDirectory
                                            : qiv::posix::DeletionKind::kFile;
  if (qiv::posix::InterceptDeletion(kind, file.name)) return Fail(ERROR_ACCESS_DENIED);
  file.deleteOnClose = true;
  return TRUE;
}

// Only the read-only attribute has a meaning here (no write permission); the
// others, and the times, are accepted and kept by nothing.
BOOL SetBasic(FileHandle& file, const FILE_BASIC_INFO& basic) {
  struct stat status;
  if ((file.access & FILE_WRITE_ATTRIBUTES) == 0 || !Stat(file, status)) {
    return Fail(ERROR_ACCESS_DENIED);
  }
  if (basic.FileAttributes == 0 || !S_ISREG(status.st_mode)) return TRUE;
  const mode_t mode = (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0
                          ? (status.st_mode & 07555)
                          : (status.st_mode | 0200);
  const std::string self = "/proc/self/fd/" + std::to_string(file.fd);
  return chmod(self.c_str(), mode & 07777) == 0 ? TRUE : Fail(ERROR_ACCESS_DENIED);
}

// The entry at the new name is replaced as an entry: a link there is replaced, not
// followed, and a hard link loses that one name. A folder there is never replaced.
BOOL SetRename(FileHandle& file, const FILE_RENAME_INFO& rename, DWORD size) {
  if (size < offsetof(FILE_RENAME_INFO, FileName) || rename.FileNameLength % sizeof(WCHAR) != 0 ||
      size < offsetof(FILE_RENAME_INFO, FileName) + rename.FileNameLength) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const std::wstring wide(rename.FileName, rename.FileNameLength / sizeof(WCHAR));
  if (wide.empty() || wide.find_first_of(std::wstring(L"\\/\0", 3)) != std::wstring::npos ||
      wide == L"." || wide == L"..") {
    return Fail(ERROR_INVALID_NAME);
  }
  int folderFd = file.parentFd;
  if (rename.RootDirectory != nullptr) {
    FileHandle* root = AsFileHandle(rename.RootDirectory);
    if (root == nullptr) return Fail(ERROR_INVALID_HANDLE);
    folderFd = root->fd;
  }
  struct stat held;
  struct stat named;
  if ((file.access & DELETE) == 0 || file.parentFd < 0 || folderFd < 0 || !Stat(file, held) ||
      fstatat(file.parentFd, file.entryName.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
      named.st_dev != held.st_dev || named.st_ino != held.st_ino) {
    return Fail(ERROR_ACCESS_DENIED);
  }
  const std::string name = qiv::posix::Utf16ToUtf8(wide);
  struct stat existing;
  if (fstatat(folderFd, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
    if (!rename.ReplaceIfExists) return Fail(ERROR_ALREADY_EXISTS);
    if (S_ISDIR(existing.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  }
  const unsigned flags = rename.ReplaceIfExists ? 0 : RENAME_NOREPLACE;
  if (renameat2(file.parentFd, file.entryName.c_str(), folderFd, name.c_str(), flags) != 0) {
    return Fail(qiv::posix::ErrorFromErrno(errno));
  }
  if (folderFd != file.parentFd) {
    close(file.parentFd);
    file.parentFd = fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
  }
  file.entryName = name;
  return TRUE;
}

LARGE_INTEGER Large(int64_t value) {
  LARGE_INTEGER large;
  large.QuadPart = value;
  return large;
}

// Fills as many entries of the listing as the buffer holds, each at an 8-byte
// boundary; at least one, or the call fails.
BOOL FillListing(FileHandle& file, bool restart, LPVOID info, DWORD size) {
  if ((file.access & FILE_LIST_DIRECTORY) == 0) return Fail(ERROR_ACCESS_DENIED);
  if (restart && file.listing != nullptr) {
    closedir(file.listing);
    file.listing = nullptr;
  }
  if (file.listing == nullptr) {
    const int fd = qiv::posix::ListingDescriptor(file);
    file.listing = fd >= 0 ? fdopendir(fd) : nullptr;
    if (file.listing == nullptr) {
      if (fd >= 0) close(fd);
      return Fail(ERROR_DIRECTORY);
    }
  }
  auto* buffer = static_cast<unsigned char*>(info);
  DWORD used = 0;
  FILE_ID_BOTH_DIR_INFO* previous = nullptr;
  for (;;) {
    const long position = telldir(file.listing);
    errno = 0;
    const dirent* entry = readdir(file.listing);
    if (entry == nullptr) {
      if (errno != 0) return Fail(ERROR_ACCESS_DENIED);
      break;
    }
    const std::wstring name = qiv::posix::Utf8ToUtf16(entry->d_name);
    const DWORD bytes = static_cast<DWORD>(name.size() * sizeof(WCHAR));
    const DWORD start = (used + 7) & ~DWORD{7};
    const DWORD needed = static_cast<DWORD>(offsetof(FILE_ID_BOTH_DIR_INFO, FileName)) + bytes;
    if (start + needed > size) {
      seekdir(file.listing, position);  // this one starts the next call
      if (previous == nullptr) return Fail(ERROR_MORE_DATA);
      break;
    }
    auto* record = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(buffer + start);
    std::memset(record, 0, needed);
    struct stat status;
    if (fstatat(dirfd(file.listing), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
      record->FileAttributes =
          qiv::posix::EntryAttributes(status, dirfd(file.listing), entry->d_name);
      record->FileId = Large(static_cast<int64_t>(status.st_ino));
      record->EndOfFile = Large(static_cast<int64_t>(status.st_size));
      record->EaSize = S_ISLNK(status.st_mode) ? IO_REPARSE_TAG_SYMLINK : 0;
    } else {
      record->FileAttributes = FILE_ATTRIBUTE_NORMAL;  // gone meanwhile; opening tells
    }
    record->FileNameLength = bytes;
    name.copy(record->FileName, name.size());
    if (previous != nullptr) {
      previous->NextEntryOffset = static_cast<DWORD>(reinterpret_cast<unsigned char*>(record) -
                                                     reinterpret_cast<unsigned char*>(previous));
    }
    previous = record;
    used = start + needed;
  }
  return previous != nullptr ? TRUE : Fail(ERROR_NO_MORE_FILES);
}

}  // namespace

BOOL SetFileInformationByHandle(HANDLE handle, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info,
                                DWORD size) {
  FileHandle* file = AsFileHandle(handle);
  if (file == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  switch (infoClass) {
    case FileDispositionInfo:
      if (size < sizeof(FILE_DISPOSITION_INFO)) return Fail(ERROR_INVALID_PARAMETER);
      return SetDisposition(*file, static_cast<FILE_DISPOSITION_INFO*>(info)->DeleteFile, false);
    case FileDispositionInfoEx: {
      if (size < sizeof(FILE_DISPOSITION_INFO_EX)) return Fail(ERROR_INVALID_PARAMETER);
      const DWORD flags = static_cast<FILE_DISPOSITION_INFO_EX*>(info)->Flags;
      return SetDisposition(*file, (flags & FILE_DISPOSITION_FLAG_DELETE) != 0,
                            (flags & FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE) != 0);
    }
    case FileBasicInfo:
      if (size < sizeof(FILE_BASIC_INFO)) return Fail(ERROR_INVALID_PARAMETER);
      return SetBasic(*file, *static_cast<FILE_BASIC_INFO*>(info));
    case FileRenameInfo:
      return SetRename(*file, *static_cast<FILE_RENAME_INFO*>(info), size);
    default:
      return Fail(ERROR_INVALID_PARAMETER);
  }
}

BOOL GetFileInformationByHandleEx(HANDLE handle, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info,
                                  DWORD size) {
  FileHandle* file = AsFileHandle(handle);
  if (file == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (infoClass == FileIdBothDirectoryInfo || infoClass == FileIdBothDirectoryRestartInfo) {
    return FillListing(*file, infoClass == FileIdBothDirectoryRestartInfo, info, size);
  }
  struct stat status;
  if (!Stat(*file, status)) return Fail(ERROR_INVALID_HANDLE);
  const DWORD attributes = qiv::posix::AttributesOf(status, *file);
  switch (infoClass) {
    case FileBasicInfo: {
      if (size < sizeof(FILE_BASIC_INFO)) return Fail(ERROR_INSUFFICIENT_BUFFER);
      auto* basic = static_cast<FILE_BASIC_INFO*>(info);
      *basic = FILE_BASIC_INFO{};
      basic->FileAttributes = attributes;
      return TRUE;
    }
    case FileStandardInfo: {
      if (size < sizeof(FILE_STANDARD_INFO)) return Fail(ERROR_INSUFFICIENT_BUFFER);
      auto* standard = static_cast<FILE_STANDARD_INFO*>(info);
      *standard = FILE_STANDARD_INFO{};
      standard->EndOfFile = Large(static_cast<int64_t>(status.st_size));
      standard->AllocationSize = Large(static_cast<int64_t>(status.st_blocks) * 512);
      standard->NumberOfLinks = static_cast<DWORD>(status.st_nlink);
      standard->DeletePending = file->deleteOnClose;
      standard->Directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      return TRUE;
    }
    case FileAttributeTagInfo: {
      if (size < sizeof(FILE_ATTRIBUTE_TAG_INFO)) return Fail(ERROR_INSUFFICIENT_BUFFER);
      auto* tag = static_cast<FILE_ATTRIBUTE_TAG_INFO*>(info);
      tag->FileAttributes = attributes;
      tag->ReparseTag = S_ISLNK(status.st_mode) ? IO_REPARSE_TAG_SYMLINK : 0;
      return TRUE;
    }
    default:
      return Fail(ERROR_INVALID_PARAMETER);
  }
}
