// NtCreateFile and NtOpenFile: an entry opened or created inside an open folder by
// its literal name, as the program removes and replaces files in a folder others
// can write to.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/posix/deletion_hooks.h"
#include "platform/posix/file_handle_table.h"
#include "platform/posix/path_map.h"
#include "platform/posix/security_descriptor.h"
#include "platform/posix/utf.h"
#include "platform/win32.h"

namespace {

using qiv::posix::FileHandle;

constexpr DWORD kWriteAccess = GENERIC_WRITE | FILE_WRITE_DATA | FILE_APPEND_DATA;
constexpr DWORD kReadAccess = GENERIC_READ | FILE_READ_DATA;

NTSTATUS StatusFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return STATUS_OBJECT_NAME_NOT_FOUND;
    case ENOTDIR:
      return STATUS_OBJECT_PATH_NOT_FOUND;
    case EEXIST:
      return STATUS_OBJECT_NAME_COLLISION;
    case ENAMETOOLONG:
    case EINVAL:
      return STATUS_OBJECT_NAME_INVALID;
    default:
      return STATUS_ACCESS_DENIED;
  }
}

// Where the name is to be looked up: the folder's descriptor and the name in it.
struct Target {
  int folderFd = -1;  // borrowed from the root handle, or owned when `ownsFolder`
  bool ownsFolder = false;
  std::string name;    // "" for the folder itself
  std::wstring label;  // how the program could name the entry
  ~Target() {
    if (ownsFolder && folderFd >= 0) close(folderFd);
  }
};

NTSTATUS Locate(const OBJECT_ATTRIBUTES& attributes, Target& target) {
  if (attributes.ObjectName == nullptr || attributes.ObjectName->Length % sizeof(WCHAR) != 0 ||
      (attributes.ObjectName->Length != 0 && attributes.ObjectName->Buffer == nullptr)) {
    return STATUS_INVALID_PARAMETER;
  }
  const std::wstring name(attributes.ObjectName->Buffer,
                          attributes.ObjectName->Length / sizeof(WCHAR));
  if (name.find(L'\0') != std::wstring::npos) return STATUS_OBJECT_NAME_INVALID;
  if (attributes.RootDirectory == nullptr) {
    // A full name: "\??\" is the Win32 "\\?\", taken literally the same way.
    if (name.rfind(L"\\??\\", 0) != 0) return STATUS_OBJECT_PATH_NOT_FOUND;
    const auto path = qiv::posix::MapWindowsPath(L"\\\\?\\" + name.substr(4));
    if (!path || path->empty() || path->back() == '/') return STATUS_OBJECT_NAME_INVALID;
    const size_t slash = path->rfind('/');
    const std::string parent = slash == std::string::npos ? "." : path->substr(0, slash + 1);
    target.folderFd = open(parent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (target.folderFd < 0) return STATUS_OBJECT_PATH_NOT_FOUND;
    target.ownsFolder = true;
    target.name = path->substr(slash == std::string::npos ? 0 : slash + 1);
    target.label = L"\\\\?\\" + name.substr(4);
    return STATUS_SUCCESS;
  }
  FileHandle* root = qiv::posix::AsFileHandle(attributes.RootDirectory);
  if (root == nullptr) return STATUS_INVALID_HANDLE;
  if (!root->directory) return STATUS_OBJECT_PATH_NOT_FOUND;
  // Relative names are one entry of the folder; "." and ".." are no entry's name.
  if (name.find_first_of(L"\\/") != std::wstring::npos || name == L"." || name == L"..") {
    return STATUS_OBJECT_NAME_INVALID;
  }
  target.folderFd = root->fd;
  target.name = qiv::posix::Utf16ToUtf8(name);
  target.label = name.empty() ? root->name : root->name + L"\\" + name;
  return STATUS_SUCCESS;
}

// Creates the entry, never through or over anything at that name, with the
// descriptor's permissions when one is given.
NTSTATUS CreateEntry(const Target& target, PSECURITY_DESCRIPTOR security, bool directory) {
  if (target.name.empty()) return STATUS_OBJECT_NAME_COLLISION;
  mode_t mode = directory ? 0755 : 0644;
  if (security != nullptr) {
    const auto given = qiv::posix::CreationMode(security, directory);
    if (!given) return STATUS_INVALID_PARAMETER;
    mode = *given;
  }
  if (directory) {
    return mkdirat(target.folderFd, target.name.c_str(), mode) == 0 ? STATUS_SUCCESS
                                                                    : StatusFromErrno(errno);
  }
  const int fd = openat(target.folderFd, target.name.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) return StatusFromErrno(errno);
  close(fd);
  return STATUS_SUCCESS;
}

}  // namespace

NTSTATUS NtCreateFile(PHANDLE fileHandle, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                      PIO_STATUS_BLOCK ioStatus, PLARGE_INTEGER, ULONG, ULONG shareAccess,
                      ULONG disposition, ULONG options, PVOID, ULONG) {
  if (fileHandle == nullptr || attributes == nullptr || ioStatus == nullptr) {
    return STATUS_INVALID_PARAMETER;
  }
  *fileHandle = nullptr;
  ioStatus->Information = 0;
  const bool wantDirectory = (options & FILE_DIRECTORY_FILE) != 0;
  const bool wantFile = (options & FILE_NON_DIRECTORY_FILE) != 0;
  if ((disposition != FILE_OPEN && disposition != FILE_CREATE) || (wantDirectory && wantFile)) {
    return ioStatus->Status = STATUS_INVALID_PARAMETER;
  }
  Target target;
  if (const NTSTATUS located = Locate(*attributes, target); located != STATUS_SUCCESS) {
    return ioStatus->Status = located;
  }
  if (disposition == FILE_CREATE) {
    if (const NTSTATUS created = CreateEntry(target, attributes->SecurityDescriptor, wantDirectory);
        created != STATUS_SUCCESS) {
      return ioStatus->Status = created;
    }
  }
  if ((access & DELETE) != 0 &&
      (qiv::posix::DeletionRefused(target.label) ||
       ((shareAccess & FILE_SHARE_READ) == 0 && qiv::posix::ImageHeld(target.label)))) {
    return ioStatus->Status = STATUS_SHARING_VIOLATION;
  }
  const bool asItself = (options & FILE_OPEN_REPARSE_POINT) != 0 || disposition == FILE_CREATE;
  const char* name = target.name.empty() ? "." : target.name.c_str();
  const int fd = openat(target.folderFd, name, O_PATH | O_CLOEXEC | (asItself ? O_NOFOLLOW : 0));
  if (fd < 0) return ioStatus->Status = StatusFromErrno(errno);
  auto* handle = new FileHandle;
  handle->fd = fd;
  handle->access = access;
  handle->name = target.label;
  if (!target.name.empty()) {
    handle->parentFd = fcntl(target.folderFd, F_DUPFD_CLOEXEC, 0);
    handle->entryName = target.name;
  }
  struct stat info;
  if (fstatat(fd, "", &info, AT_EMPTY_PATH) != 0) {
    delete handle;
    return ioStatus->Status = STATUS_ACCESS_DENIED;
  }
  handle->directory = S_ISDIR(info.st_mode);
  handle->device = info.st_dev;
  handle->inode = info.st_ino;
  // A link to a directory is a directory object on Windows, a dangling one a file.
  const bool isDirectory =
      (qiv::posix::AttributesOf(info, *handle) & FILE_ATTRIBUTE_DIRECTORY) != 0;
  NTSTATUS status = STATUS_SUCCESS;
  if (wantDirectory && !isDirectory) status = STATUS_NOT_A_DIRECTORY;
  if (wantFile && isDirectory) status = STATUS_FILE_IS_A_DIRECTORY;
  const bool reads = (access & kReadAccess) != 0 && !isDirectory;
  const bool writes = (access & kWriteAccess) != 0;
  if (status == STATUS_SUCCESS && writes && isDirectory) {
    status = S_ISDIR(info.st_mode) ? STATUS_SUCCESS : STATUS_ACCESS_DENIED;
  } else if (status == STATUS_SUCCESS && (reads || writes) && S_ISREG(info.st_mode)) {
    // Opened again for its data, as itself, and only if it is still the same file.
    const int mode = reads && writes ? O_RDWR : (writes ? O_WRONLY : O_RDONLY);
    const int data = openat(target.folderFd, name, mode | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat opened;
    if (data < 0 || fstat(data, &opened) != 0 || opened.st_ino != info.st_ino ||
        opened.st_dev != info.st_dev) {
      status = STATUS_ACCESS_DENIED;
      if (data >= 0) close(data);
    } else {
      close(handle->fd);
      handle->fd = data;
      handle->readable = reads;
      handle->writable = writes;
    }
  } else if (status == STATUS_SUCCESS && writes) {
    status = STATUS_ACCESS_DENIED;  // a link as itself holds no data to write
  }
  if (status != STATUS_SUCCESS) {
    delete handle;
    return ioStatus->Status = status;
  }
  *fileHandle = handle;
  ioStatus->Information = disposition == FILE_CREATE ? FILE_CREATED : FILE_OPENED;
  return ioStatus->Status = STATUS_SUCCESS;
}

NTSTATUS NtOpenFile(PHANDLE fileHandle, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                    PIO_STATUS_BLOCK ioStatus, ULONG shareAccess, ULONG options) {
  return NtCreateFile(fileHandle, access, attributes, ioStatus, nullptr, 0, shareAccess, FILE_OPEN,
                      options, nullptr, 0);
}

ULONG RtlNtStatusToDosError(NTSTATUS status) {
  switch (status) {
    case STATUS_SUCCESS:
      return ERROR_SUCCESS;
    case STATUS_OBJECT_NAME_NOT_FOUND:
      return ERROR_FILE_NOT_FOUND;
    case STATUS_OBJECT_PATH_NOT_FOUND:
      return ERROR_PATH_NOT_FOUND;
    case STATUS_OBJECT_NAME_COLLISION:
      return ERROR_ALREADY_EXISTS;
    case STATUS_OBJECT_NAME_INVALID:
      return ERROR_INVALID_NAME;
    case STATUS_INVALID_HANDLE:
      return ERROR_INVALID_HANDLE;
    case STATUS_INVALID_PARAMETER:
      return ERROR_INVALID_PARAMETER;
    case STATUS_SHARING_VIOLATION:
      return ERROR_SHARING_VIOLATION;
    case STATUS_DELETE_PENDING:
      return ERROR_DELETE_PENDING;
    case STATUS_NOT_A_DIRECTORY:
      return ERROR_DIRECTORY;
    case STATUS_DIRECTORY_NOT_EMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case STATUS_NOT_SUPPORTED:
      return ERROR_NOT_SUPPORTED;
    default:
      return ERROR_ACCESS_DENIED;
  }
}
