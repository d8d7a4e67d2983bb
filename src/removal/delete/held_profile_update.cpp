#include "removal/delete/held_profile_update.h"

#include <optional>

#include "platform/profile_conventions.h"
#include "platform/win32.h"
#include "removal/delete/folder_chain_hold.h"
#include "removal/delete/held_file_replacement.h"

namespace qiv::removal {

namespace {

// Far beyond any profile file met in use: a larger one, which a standard user could
// plant to exhaust the 32-bit program's memory (the text is held several times
// over while it is edited), is left as it is.
constexpr size_t kReadLimit = 32 << 20;

// What the new file takes over from the one it replaces.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

bool NotWritten(const wchar_t* reason, const std::wstring& path) {
  const std::wstring line = L"profile file not written (" + std::wstring(reason) + L"): " + path;
  OutputDebugStringW(line.c_str());
  return false;
}

}  // namespace

bool SetProfileValues(const std::wstring& path, const std::wstring& section,
                      const std::vector<qiv::platform::ProfileValue>& values) {
  const std::wstring file = path.empty() ? path : qiv::platform::ProfileFilePath(path);
  const auto place = file.empty() ? std::nullopt : PlaceOfFile(file);
  if (!place) return NotWritten(L"no file named", path);
  FolderChainHold hold(place->folder);
  if (!hold.Held()) return NotWritten(L"its folder cannot be held", path);

  const HeldEntry old = ReadEntryInFolder(hold.DirectoryHandle(), place->name, kReadLimit);
  if (old.kind == HeldEntry::Kind::kUnreadable) return NotWritten(L"unreadable", path);
  const bool own = old.kind == HeldEntry::Kind::kOwnFile;
  // As the profile functions refuse to write a read-only file.
  if (own && (old.attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return NotWritten(L"read-only", path);
  }
  // A link or a hard link is not this file's text: what it leads to stays unread.
  qiv::platform::ProfileText text(own ? old.bytes : std::string());
  for (const auto& value : values) text.Set(section, value.key, value.value);

  const DWORD attributes = own && (old.attributes & kKeptAttributes) != 0
                               ? old.attributes & kKeptAttributes
                               : FILE_ATTRIBUTE_NORMAL;
  if (!hold.Unchanged()) return NotWritten(L"its folder changed", path);
  if (!ReplaceFileInFolder(hold.DirectoryHandle(), place->name, text.Bytes(), attributes)) {
    return NotWritten(L"refused", path);
  }
  return true;
}

}  // namespace qiv::removal
