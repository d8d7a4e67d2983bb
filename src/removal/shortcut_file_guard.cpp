#include "removal/shortcut_file_guard.h"

#include "base/paths/windows_path.h"
#include "platform/current_drive.h"

namespace qiv::removal {

bool IsShortcutFileName(const std::wstring& name) {
  const std::wstring folded = String::FoldFileName(name);
  const auto endsWith = [&folded](const wchar_t* suffix) {
    const std::wstring tail(suffix);
    return folded.size() > tail.size() &&
           folded.compare(folded.size() - tail.size(), tail.size(), tail) == 0;
  };
  return endsWith(L".lnk") || endsWith(L".url");
}

bool IsShortcutFilePath(const std::wstring& path) {
  const auto normalised = qiv::paths::NormaliseWindowsPath(path, qiv::platform::CurrentDrive());
  if (!normalised || normalised->IsRoot()) return false;
  // Judged by the name as written: the system would strip trailing dots and blanks.
  return IsShortcutFileName(path);
}

}  // namespace qiv::removal
