#include "installconfig/shortcut_file_guard.h"

#include "base/paths/windows_path.h"
#include "platform/current_drive.h"
#include "platform/win32.h"

namespace qiv::installconfig {

namespace {

bool HasShortcutExtension(const std::wstring& name) {
  const std::wstring folded = qiv::paths::FoldCase(name);
  const auto endsWith = [&folded](const wchar_t* suffix) {
    const std::wstring tail(suffix);
    return folded.size() > tail.size() &&
           folded.compare(folded.size() - tail.size(), tail.size(), tail) == 0;
  };
  return endsWith(L".lnk") || endsWith(L".url");
}

}  // namespace

bool IsShortcutFilePath(const std::wstring& path) {
  const auto normalised = qiv::paths::NormaliseWindowsPath(path, qiv::platform::CurrentDrive());
  if (!normalised || normalised->IsRoot()) return false;
  // Judged by the name as written: the system would strip trailing dots and blanks.
  return HasShortcutExtension(path);
}

bool IsShortcutFile(const std::wstring& path) {
  if (!IsShortcutFilePath(path)) return false;
  // Without wildcards (the path rule refuses them) the search finds the one file,
  // and reports its long name whichever name the path used.
  WIN32_FIND_DATAW entry{};
  const HANDLE find = FindFirstFileW(path.c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  entry.cFileName[MAX_PATH - 1] = 0;
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         HasShortcutExtension(entry.cFileName);
}

}  // namespace qiv::installconfig
