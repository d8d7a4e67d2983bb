#include "removal/delete/shortcut_removal.h"

#include "platform/folder_identity.h"
#include "platform/scoped_win32.h"
#include "platform/win32.h"
#include "removal/shortcut_file_guard.h"

namespace qiv::removal {

namespace {

using qiv::platform::ScopedFile;

// The file's name as the system knows it, whatever alias (a short 8.3 name, other
// letter case) the path used: "IMPORT~1.LNK" may stand for "important.lnkx".
std::wstring LongName(HANDLE file) {
  const std::wstring path = qiv::platform::FinalPath(file);
  const size_t separator = path.find_last_of(L'\\');
  return separator == std::wstring::npos ? std::wstring() : path.substr(separator + 1);
}

}  // namespace

bool DeleteShortcutFile(const std::wstring& path, const ShortcutPlaces& places) {
  if (!IsShortcutFilePath(path)) return false;
  // No backup semantics: a directory does not open. Sharing everything, so that a
  // reader elsewhere neither blocks the check nor is disturbed by it.
  ScopedFile file(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION information{};
  if (file.Get() == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file.Get(), &information) ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
          0) {
    return false;
  }
  if (!IsShortcutFileName(LongName(file.Get())) || !places.Allows(file.Get())) return false;
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition,
                                    sizeof(disposition)) != FALSE;
}

}  // namespace qiv::removal
