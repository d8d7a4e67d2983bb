#include "platform/folder_identity.h"

#include "platform/scoped_win32.h"

namespace qiv::platform {

namespace {

// Opens the object for its metadata; directories need backup semantics, and a
// reparse point is opened as itself rather than followed unless asked.
HANDLE OpenForIdentity(const std::wstring& path, bool followLink = false) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     flags, nullptr);
}

// Where the names below the volume root begin in a final path: "\\?\C:\" or
// "\\?\UNC\server\share\". Zero when the form is not one of these.
size_t RootLength(const std::wstring& final) {
  if (final.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    size_t end = final.find(L'\\', 8);
    if (end == std::wstring::npos) return 0;
    end = final.find(L'\\', end + 1);
    return end == std::wstring::npos ? final.size() : end + 1;
  }
  if (final.size() >= 7 && final.rfind(L"\\\\?\\", 0) == 0 && final[5] == L':' &&
      final[6] == L'\\') {
    return 7;
  }
  return 0;
}

}  // namespace

bool IdentifyHandle(HANDLE handle, FileIdentity& identity, DWORD* attributes) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      !GetFileInformationByHandle(handle, &information)) {
    return false;
  }
  identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
              information.nFileIndexLow};
  if (attributes != nullptr) *attributes = information.dwFileAttributes;
  return true;
}

// A buffer on the stack serves nearly every path; a longer one is measured first.
std::wstring FinalPath(HANDLE handle) {
  constexpr DWORD kFlags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetFinalPathNameByHandleW(handle, buffer, MAX_PATH, kFlags);
  if (length == 0) return L"";
  if (length < MAX_PATH) return std::wstring(buffer, length);
  std::wstring path(length, L'\0');
  const DWORD written = GetFinalPathNameByHandleW(handle, path.data(), length, kFlags);
  if (written == 0 || written >= length) return L"";
  path.resize(written);
  return path;
}

std::optional<ResolvedFolder> ResolveFolder(const std::wstring& path, bool followLink) {
  ScopedFile handle(OpenForIdentity(path, followLink));
  ResolvedFolder folder;
  if (!IdentifyHandle(handle.Get(), folder.identity, &folder.attributes)) {
    return std::nullopt;
  }
  // The system's own resolution of the path, walked up one folder at a time.
  std::wstring final = FinalPath(handle.Get());
  const size_t root = RootLength(final);
  if (root == 0) {
    folder.complete = false;
    return folder;
  }
  while (final.size() > root && final.back() == L'\\') final.pop_back();
  while (final.size() > root) {
    const size_t slash = final.find_last_of(L'\\');
    final.resize(slash + 1 > root ? slash : root);
    ScopedFile above(OpenForIdentity(final));
    FileIdentity identity;
    DWORD attributes = 0;
    if (!IdentifyHandle(above.Get(), identity, &attributes)) {
      folder.complete = false;
      break;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) folder.ancestorIsReparsePoint = true;
    folder.ancestors.push_back(identity);
  }
  return folder;
}

}  // namespace qiv::platform
