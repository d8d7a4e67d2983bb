#include "removal/delete/quarantine.h"

#include <cstddef>
#include <cstring>
#include <random>

#include "platform/relative_name.h"
#include "removal/delete/administrators_only.h"

namespace qiv::removal {

namespace {

using qiv::platform::ScopedFile;

// A collision means someone planted that name, or guessed it.
constexpr int kNameAttempts = 8;
constexpr ULONG kFolderOptions = FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT |
                                 FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT;

std::wstring FreshName(std::random_device& random) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring name = L"QivDepends.Pending.";
  for (int word = 0; word < 4; ++word) {
    unsigned value = random();
    for (int digit = 0; digit < 8; ++digit, value >>= 4) name += kDigits[value & 0xF];
  }
  return name;
}

// "\\?\C:\" of "\\?\C:\Games\Title"; a share has no root that only
// administrators can write, and nothing of it can be deleted at a restart.
std::wstring VolumeRootOf(const std::wstring& path) {
  if (path.size() < 7 || path.rfind(L"\\\\?\\", 0) != 0 || path[5] != L':' || path[6] != L'\\') {
    return std::wstring();
  }
  return path.substr(0, 7);
}

bool ScheduleDeletion(const std::wstring& path) {
  return MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

}  // namespace

Quarantine::Quarantine(HANDLE directory, const std::wstring& path)
    : volumeRoot_(VolumeRootOf(path)) {
  directoryKnown_ = qiv::platform::IdentifyHandle(directory, directory_);
}

bool Quarantine::Make() {
  if (folder_) return true;
  if (refused_ || !directoryKnown_ || volumeRoot_.empty()) return false;
  refused_ = true;
  const AdministratorsOnly security;
  if (security.Descriptor() == nullptr) return false;
  // The root of a drive cannot be renamed or replaced; it must be the directory's
  // volume, or the moves would fail (or the drive letter is another volume's).
  const ScopedFile root(
      CreateFileW(volumeRoot_.c_str(), FILE_ADD_SUBDIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  qiv::platform::FileIdentity rootIdentity;
  if (!qiv::platform::IdentifyHandle(root.Get(), rootIdentity) ||
      rootIdentity.volume != directory_.volume) {
    return false;
  }
  std::random_device random;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::wstring name = FreshName(random);
    qiv::platform::RelativeName relative(root.Get(), name, OBJ_CASE_INSENSITIVE);
    relative.object.SecurityDescriptor = security.Descriptor();
    IO_STATUS_BLOCK io{};
    HANDLE handle = nullptr;
    // No deletion shared: while the walk works, its name stays.
    const NTSTATUS status =
        NtCreateFile(&handle,
                     FILE_LIST_DIRECTORY | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_TRAVERSE |
                         FILE_READ_ATTRIBUTES | DELETE | SYNCHRONIZE,
                     &relative.object, &io, nullptr, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_CREATE, kFolderOptions, nullptr, 0);
    if (status == STATUS_OBJECT_NAME_COLLISION) continue;
    if (status != STATUS_SUCCESS) return false;
    ScopedFile made(handle);
    qiv::platform::FileIdentity identity;
    DWORD attributes = 0;
    if (!qiv::platform::IdentifyHandle(made.Get(), identity, &attributes) ||
        identity.volume != directory_.volume ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
            FILE_ATTRIBUTE_DIRECTORY) {
      return false;
    }
    folder_ = std::move(made);
    path_ = volumeRoot_ + name;
    refused_ = false;
    return true;
  }
  return false;
}

bool Quarantine::Take(HANDLE entry) {
  if (!Make()) return false;
  // Names of the quarantine's own making: nobody else can add any.
  std::wstring name;
  for (size_t number = entries_.size() + 1; number != 0; number /= 10) {
    name.insert(name.begin(), static_cast<wchar_t>(L'0' + number % 10));
  }
  const size_t nameBytes = name.size() * sizeof(wchar_t);
  std::vector<std::byte> buffer(offsetof(FILE_RENAME_INFORMATION, FileName) + nameBytes +
                                sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = folder_.Get();
  rename->FileNameLength = static_cast<ULONG>(nameBytes);
  std::memcpy(rename->FileName, name.c_str(), nameBytes);
  IO_STATUS_BLOCK io{};
  if (NtSetInformationFile(entry, &io, rename, static_cast<ULONG>(buffer.size()),
                           FileRenameInformation) != STATUS_SUCCESS) {
    return false;
  }
  entries_.push_back(path_ + L"\\" + name);
  return true;
}

bool Quarantine::ScheduleForRestart() {
  if (!folder_) return entries_.empty();
  if (entries_.empty()) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    SetFileInformationByHandle(folder_.Get(), FileDispositionInfo, &disposition,
                               sizeof(disposition));
    folder_.Reset();
    return true;
  }
  for (const std::wstring& entry : entries_) {
    if (!ScheduleDeletion(entry)) return false;
  }
  return ScheduleDeletion(path_);
}

}  // namespace qiv::removal
