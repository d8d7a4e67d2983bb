// Deletions scheduled for the next restart. Nothing restarts here: each scheduled
// path is appended as one UTF-8 line to the file QIV_PENDING_DELETIONS names, for
// tests to read. Without it the call is refused, as Windows refuses a user who may
// not write the machine's pending operations.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/posix/deletion_hooks.h"
#include "platform/posix/path_map.h"
#include "platform/posix/utf.h"
#include "platform/win32.h"

BOOL MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags) {
  if (existingFileName == nullptr || newFileName != nullptr ||
      flags != MOVEFILE_DELAY_UNTIL_REBOOT) {
    SetLastError(ERROR_INVALID_PARAMETER);  // only the scheduled deletion is offered
    return FALSE;
  }
  const char* record = std::getenv("QIV_PENDING_DELETIONS");
  if (record == nullptr || *record == 0 || !qiv::posix::MapWindowsPath(existingFileName)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const std::string line = qiv::posix::Utf16ToUtf8(existingFileName) + "\n";
  const int fd = open(record, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  const bool written =
      fd >= 0 && write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  if (fd >= 0) close(fd);
  if (!written) {
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  return TRUE;
}
