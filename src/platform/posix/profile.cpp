// The private profile (INI) functions over files on disk, with the Windows
// semantics the program relies on (profile_document.h for the file format).
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/atomic_file.h"
#include "platform/posix/path_map.h"
#include "platform/posix/profile_document.h"
#include "platform/posix/text_file.h"
#include "platform/posix/utf.h"
#include "platform/win32.h"

namespace {

using qiv::posix::ProfileDocument;

// A name without a directory lives in the Windows directory, as on Windows.
std::optional<std::string> ProfilePath(LPCWSTR fileName) {
  const std::wstring name = (fileName == nullptr || *fileName == 0) ? L"win.ini" : fileName;
  if (name.find_first_of(L"\\/") != std::wstring::npos) return qiv::posix::MapWindowsPath(name);
  const char* windowsDir = std::getenv("QIV_WINDOWS_DIR");
  std::string directory = (windowsDir != nullptr && *windowsDir != '\0') ? windowsDir : ".";
  if (directory.back() != '/') directory.push_back('/');
  return directory + qiv::posix::Utf16ToUtf8(name);
}

// A missing file reads as an empty one; other read failures are reported.
bool LoadProfile(const std::string& path, ProfileDocument& document) {
  std::string bytes;
  if (qiv::posix::ReadWholeFile(path, bytes)) {
    document = ProfileDocument::FromBytes(bytes);
    return true;
  }
  document = ProfileDocument();
  return errno == ENOENT || errno == ENOTDIR;
}

DWORD CopyText(const std::wstring& text, LPWSTR buffer, DWORD size) {
  const size_t count = std::min<size_t>(text.size(), size - 1);
  text.copy(buffer, count);
  buffer[count] = 0;
  return static_cast<DWORD>(count);
}

// Names, each followed by a null, and a final null. When they do not fit, the last
// name that fits in part is cut and the result is size - 2, as on Windows.
DWORD CopyNameList(const std::vector<std::wstring>& names, LPWSTR buffer, DWORD size) {
  if (size < 2) {
    buffer[0] = 0;
    return 0;
  }
  size_t position = 0;
  for (const std::wstring& name : names) {
    if (position + name.size() + 1 > size - 1) {
      const size_t room = position < size - 2 ? size - 2 - position : 0;
      name.copy(buffer + position, room);
      buffer[size - 2] = 0;
      buffer[size - 1] = 0;
      return size - 2;
    }
    name.copy(buffer + position, name.size());
    position += name.size();
    buffer[position++] = 0;
  }
  buffer[position] = 0;
  return static_cast<DWORD>(position);
}

// One pair of matching surrounding quotes goes, as Windows does it.
std::wstring WithoutQuotes(std::wstring value) {
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

DWORD GetPrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR defaultValue,
                               LPWSTR returned, DWORD size, LPCWSTR fileName) {
  if (returned == nullptr || size == 0) return 0;
  std::wstring fallback = defaultValue != nullptr ? defaultValue : L"";
  while (!fallback.empty() && fallback.back() == L' ') fallback.pop_back();

  ProfileDocument document;
  const std::optional<std::string> path = ProfilePath(fileName);
  if (path) LoadProfile(*path, document);

  if (appName == nullptr) return CopyNameList(document.SectionNames(), returned, size);
  if (keyName == nullptr) {
    const auto keys = document.KeyNames(appName);
    return keys ? CopyNameList(*keys, returned, size) : CopyText(fallback, returned, size);
  }
  const std::optional<std::wstring> value = document.Find(appName, keyName);
  return CopyText(value ? WithoutQuotes(*value) : fallback, returned, size);
}

BOOL WritePrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR value, LPCWSTR fileName) {
  // Windows treats three nulls as "flush the cache"; there is no cache here.
  if (appName == nullptr) return keyName == nullptr && value == nullptr;
  const std::optional<std::string> path = ProfilePath(fileName);
  ProfileDocument document;
  if (!path || !LoadProfile(*path, document)) return FALSE;

  bool changed = false;
  if (keyName == nullptr) {
    changed = document.RemoveSection(appName);
  } else if (value == nullptr) {
    changed = document.RemoveKey(appName, keyName);
  } else {
    // Written as given, line breaks included, as Windows does.
    changed = document.Set(appName, keyName, value);
  }
  if (!changed) return TRUE;
  // A file without write bits is read-only, which Windows does not write; replacing
  // it by rename would.
  struct stat info;
  if (stat(path->c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0) {
    return FALSE;
  }
  return qiv::posix::ReplaceFileAtomically(*path, document.ToBytes()) == 0 ? TRUE : FALSE;
}
