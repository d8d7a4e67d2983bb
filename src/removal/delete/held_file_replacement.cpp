#include "removal/delete/held_file_replacement.h"

#include <cstddef>
#include <cstring>
#include <random>
#include <vector>

#include "platform/relative_name.h"
#include "platform/scoped_win32.h"
#include "platform/win32.h"

namespace qiv::removal {

namespace {

// A few names are tried: a collision means someone guessed one, or a stale file.
constexpr int kNameAttempts = 8;
constexpr DWORD kWriteChunk = 1 << 20;

using qiv::platform::ScopedFile;

std::wstring TemporaryName(const std::wstring& name, std::random_device& random) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text = name + L".";
  for (int word = 0; word < 4; ++word) {
    unsigned value = random();
    for (int digit = 0; digit < 8; ++digit, value >>= 4) text += kDigits[value & 0xF];
  }
  return text + L".qivnew";
}

// A new plain file in `folder`, never one that exists (a file, a folder or a link
// of that name makes the creation fail), opened for writing and deletion.
bool CreateNewFile(HANDLE folder, const std::wstring& name, DWORD attributes, ScopedFile& file) {
  qiv::platform::RelativeName relative(folder, name, OBJ_CASE_INSENSITIVE);
  IO_STATUS_BLOCK status{};
  return NtCreateFile(
             file.Receive(), FILE_WRITE_DATA | DELETE | SYNCHRONIZE, &relative.object, &status,
             nullptr, attributes, 0, FILE_CREATE,
             FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT,
             nullptr, 0) == STATUS_SUCCESS;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk =
        static_cast<DWORD>(bytes.size() - done < kWriteChunk ? bytes.size() - done : kWriteChunk);
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return FlushFileBuffers(file) != FALSE;
}

// Renames the open file to `name` in `folder`, replacing the entry there. The
// native call, because the Win32 rename turns a relative name into a full path.
bool MoveInto(HANDLE file, HANDLE folder, const std::wstring& name) {
  const size_t nameBytes = name.size() * sizeof(wchar_t);
  std::vector<std::byte> buffer(offsetof(FILE_RENAME_INFORMATION, FileName) + nameBytes +
                                sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = folder;
  rename->FileNameLength = static_cast<ULONG>(nameBytes);
  std::memcpy(rename->FileName, name.c_str(), nameBytes);
  IO_STATUS_BLOCK status{};
  return NtSetInformationFile(file, &status, rename, static_cast<ULONG>(buffer.size()),
                              FileRenameInformation) == STATUS_SUCCESS;
}

bool ValidName(HANDLE folder, const std::wstring& name) {
  return folder != nullptr && folder != INVALID_HANDLE_VALUE && !name.empty() &&
         name.find_first_of(L"\\/") == std::wstring::npos;
}

// The whole content, when it is no more than `limit` bytes.
bool ReadAll(HANDLE file, size_t limit, std::string& bytes) {
  char chunk[16384];
  for (;;) {
    DWORD count = 0;
    if (!ReadFile(file, chunk, sizeof(chunk), &count, nullptr)) return false;
    if (count == 0) return true;
    if (bytes.size() + count > limit) return false;
    bytes.append(chunk, count);
  }
}

void Discard(HANDLE file) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition));
}

}  // namespace

std::optional<FilePlace> PlaceOfFile(const std::wstring& path) {
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length =
      GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  if (length >= buffer.size()) {
    buffer.resize(length);
    length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  }
  if (length == 0 || length >= buffer.size()) return std::nullopt;
  const std::wstring full(buffer.data(), length);
  const size_t separator = full.rfind(L'\\');
  if (separator == std::wstring::npos || separator + 1 == full.size()) return std::nullopt;
  return FilePlace{full.substr(0, separator), full.substr(separator + 1)};
}

bool ReplaceFileInFolder(HANDLE folder, const std::wstring& name, const std::string& bytes,
                         DWORD attributes) {
  if (!ValidName(folder, name)) return false;
  std::random_device random;
  ScopedFile file;
  bool created = false;
  for (int attempt = 0; attempt < kNameAttempts && !created; ++attempt) {
    created = CreateNewFile(folder, TemporaryName(name, random), attributes, file);
  }
  if (!created) return false;
  if (WriteAll(file.Get(), bytes) && MoveInto(file.Get(), folder, name)) return true;
  Discard(file.Get());
  return false;
}

HeldEntry ReadEntryInFolder(HANDLE folder, const std::wstring& name, size_t limit) {
  HeldEntry entry;
  if (!ValidName(folder, name)) return entry;
  qiv::platform::RelativeName relative(folder, name, OBJ_CASE_INSENSITIVE);
  IO_STATUS_BLOCK status{};
  ScopedFile file;
  // Shares everything, so that nobody else's use of the file is disturbed.
  const NTSTATUS opened = NtCreateFile(
      file.Receive(), FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &relative.object,
      &status, nullptr, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
      FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
  if (opened == STATUS_OBJECT_NAME_NOT_FOUND) {
    entry.kind = HeldEntry::Kind::kNone;
    return entry;
  }
  if (opened == STATUS_FILE_IS_A_DIRECTORY) entry.kind = HeldEntry::Kind::kOther;
  BY_HANDLE_FILE_INFORMATION information{};
  if (opened != STATUS_SUCCESS || !GetFileInformationByHandle(file.Get(), &information)) {
    return entry;
  }
  entry.attributes = information.dwFileAttributes;
  if ((information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) !=
          0 ||
      information.nNumberOfLinks != 1) {
    entry.kind = HeldEntry::Kind::kOther;
    return entry;
  }
  if (information.nFileSizeHigh == 0 && information.nFileSizeLow <= limit &&
      ReadAll(file.Get(), limit, entry.bytes)) {
    entry.kind = HeldEntry::Kind::kOwnFile;
  }
  return entry;
}

}  // namespace qiv::removal
