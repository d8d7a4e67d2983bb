// SHFileOperationW for FO_DELETE: permanent deletion of files and directory trees.
#include <cerrno>
#include <cwchar>
#include <string>

#include "platform/posix/deletion_hooks.h"
#include "platform/posix/path_map.h"
#include "platform/posix/tree_removal.h"
#include "platform/win32.h"

namespace {

int StatusFromErrno(int error) {
  return error == ENOENT || error == ENOTDIR ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
}

}  // namespace

int SHFileOperationW(LPSHFILEOPSTRUCTW operation) {
  if (operation == nullptr || operation->wFunc != FO_DELETE || operation->pFrom == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  if (qiv::posix::DeletionRecorderSet()) {
    for (LPCWSTR source = operation->pFrom; *source != 0; source += std::wcslen(source) + 1) {
      qiv::posix::InterceptDeletion(qiv::posix::DeletionKind::kTree, source);
    }
    return ERROR_ACCESS_DENIED;
  }
  // There is no recycle bin here, and deleting for good is not what undo asked for.
  if ((operation->fFlags & FOF_ALLOWUNDO) != 0) return ERROR_INVALID_PARAMETER;
  operation->fAnyOperationsAborted = FALSE;

  int result = 0;
  // pFrom is a list of paths, each ending in a null, the list in a second null.
  for (LPCWSTR source = operation->pFrom; *source != 0; source += std::wcslen(source) + 1) {
    const std::wstring name(source);
    const auto path = qiv::posix::MapWindowsPath(name);
    int status = 0;
    if (!path) {
      status = ERROR_FILE_NOT_FOUND;
    } else if (name.find_first_of(L"*?") != std::wstring::npos) {
      status = ERROR_INVALID_PARAMETER;  // wildcards are not offered
    } else if (const int error = qiv::posix::RemoveTree(*path); error != 0) {
      status = StatusFromErrno(error);
    }
    if (result == 0) result = status;
  }
  return result;
}
