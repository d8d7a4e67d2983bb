// Scoped owners of the Win32 handles the program holds; the stand-in implements
// the same close calls. Still hand-written beside them, to fold in when the file
// removal is next reworked: ScopedFileHandle (folder_identity.cpp), ScopedFind
// (link_removal.cpp), the raw handles of folder_chain_hold.cpp, and the stand-in's
// ScopedFd (tree_removal.cpp) and FileDescriptor (file_io.cpp).
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

}  // namespace qiv::platform
