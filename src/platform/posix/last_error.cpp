// The calling thread's last-error code, for the functions that report one, and
// the process error mode.
#include "platform/win32.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
UINT errorMode = 0;
}  // namespace

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD error) { lastError = error; }

UINT SetErrorMode(UINT mode) {
  const UINT previous = errorMode;
  errorMode = mode;
  return previous;
}
