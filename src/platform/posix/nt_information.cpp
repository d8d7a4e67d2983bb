// NtSetInformationFile for FileRenameInformation: the same rename as the Win32
// FileRenameInfo class, whose structure has the same layout.
#include <cstddef>

#include "platform/win32.h"

static_assert(offsetof(FILE_RENAME_INFORMATION, RootDirectory) ==
              offsetof(FILE_RENAME_INFO, RootDirectory));
static_assert(offsetof(FILE_RENAME_INFORMATION, FileName) == offsetof(FILE_RENAME_INFO, FileName));

namespace {

NTSTATUS StatusFromError(DWORD error) {
  switch (error) {
    case ERROR_INVALID_HANDLE:
      return STATUS_INVALID_HANDLE;
    case ERROR_INVALID_PARAMETER:
      return STATUS_INVALID_PARAMETER;
    case ERROR_FILE_NOT_FOUND:
      return STATUS_OBJECT_NAME_NOT_FOUND;
    case ERROR_PATH_NOT_FOUND:
      return STATUS_OBJECT_PATH_NOT_FOUND;
    case ERROR_ALREADY_EXISTS:
      return STATUS_OBJECT_NAME_COLLISION;
    default:
      return STATUS_ACCESS_DENIED;
  }
}

}  // namespace

NTSTATUS NtSetInformationFile(HANDLE fileHandle, PIO_STATUS_BLOCK ioStatusBlock,
                              PVOID fileInformation, ULONG length,
                              FILE_INFORMATION_CLASS fileInformationClass) {
  if (fileInformationClass != FileRenameInformation || ioStatusBlock == nullptr) {
    return STATUS_INVALID_PARAMETER;
  }
  const NTSTATUS status =
      SetFileInformationByHandle(fileHandle, FileRenameInfo, fileInformation, length)
          ? STATUS_SUCCESS
          : StatusFromError(GetLastError());
  ioStatusBlock->Status = status;
  ioStatusBlock->Information = 0;
  return status;
}
