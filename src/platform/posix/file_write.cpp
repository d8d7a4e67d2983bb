// Writing through a handle opened with write access.
#include <unistd.h>

#include <cerrno>

#include "platform/posix/file_handle_table.h"
#include "platform/win32.h"

BOOL WriteFile(HANDLE handle, const void* buffer, DWORD size, LPDWORD written, LPVOID) {
  qiv::posix::FileHandle* file = qiv::posix::AsFileHandle(handle);
  if (written != nullptr) *written = 0;
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!file->writable || (buffer == nullptr && size != 0)) {
    SetLastError(file->writable ? ERROR_INVALID_PARAMETER : ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const auto* bytes = static_cast<const char*>(buffer);
  DWORD done = 0;
  while (done < size) {
    const ssize_t count = write(file->fd, bytes + done, size - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      SetLastError(count < 0 && errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
      if (written != nullptr) *written = done;
      return FALSE;
    }
    done += static_cast<DWORD>(count);
  }
  if (written != nullptr) *written = done;
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle) {
  qiv::posix::FileHandle* file = qiv::posix::AsFileHandle(handle);
  if (file == nullptr || !file->writable) {
    SetLastError(file == nullptr ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (fsync(file->fd) != 0) {
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  return TRUE;
}
