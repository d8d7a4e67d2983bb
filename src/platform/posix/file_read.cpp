// Reading through a handle opened with read access.
#include <unistd.h>

#include <cerrno>

#include "platform/posix/file_handle_table.h"
#include "platform/win32.h"

BOOL ReadFile(HANDLE handle, void* buffer, DWORD size, LPDWORD read, LPVOID) {
  qiv::posix::FileHandle* file = qiv::posix::AsFileHandle(handle);
  if (read != nullptr) *read = 0;
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!file->readable || (buffer == nullptr && size != 0)) {
    SetLastError(file->readable ? ERROR_INVALID_PARAMETER : ERROR_ACCESS_DENIED);
    return FALSE;
  }
  // One read, as Windows returns what it has; zero bytes read is the end of the file.
  for (;;) {
    const ssize_t count = ::read(file->fd, buffer, size);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      SetLastError(ERROR_READ_FAULT);
      return FALSE;
    }
    if (read != nullptr) *read = static_cast<DWORD>(count);
    return TRUE;
  }
}
