// Scoped owners of the Win32 handles the program holds; the stand-in implements
// the same close calls.
#pragma once

#include "base/memory/scoped_handle.h"
#include "platform/win32.h"

namespace qiv::platform {

struct RegistryKeyTraits {
  using Handle = HKEY;
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY key) { RegCloseKey(key); }
};
using ScopedRegistryKey = ScopedHandle<RegistryKeyTraits>;

// A FindFirstFileW search.
struct FindTraits {
  using Handle = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE find) { FindClose(find); }
};
using ScopedFind = ScopedHandle<FindTraits>;

// A kernel object (a token, a process) whose "none" is null.
struct KernelObjectTraits {
  using Handle = HANDLE;
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE object) { CloseHandle(object); }
};
using ScopedKernelObject = ScopedHandle<KernelObjectTraits>;

// A file or folder opened by CreateFileW (INVALID_HANDLE_VALUE when it failed)
// or NtCreateFile/NtOpenFile (null when nothing was opened): both are "none".
struct FileTraits {
  using Handle = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE file) { return file != nullptr && file != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE file) { CloseHandle(file); }
};
using ScopedFile = ScopedHandle<FileTraits>;

}  // namespace qiv::platform
