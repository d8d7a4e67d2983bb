// A second process that holds a file open, as an overlay DLL or a scanner does:
// without sharing its deletion, or with "share-delete" sharing it (as a running
// image does, which can be renamed but not deleted). Prints "held" once the file is
// open, and closes it when RELEASE exists (or after five minutes). Prints "cannot
// open" and exits 1 when the file cannot be opened.
//
//   qiv_file_holder.exe FILE RELEASE [share-delete]
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && !(argc == 4 && std::wcscmp(argv[3], L"share-delete") == 0)) {
    std::fputs("usage: qiv_file_holder.exe FILE RELEASE [share-delete]\n", stderr);
    return 2;
  }
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (argc == 4 ? FILE_SHARE_DELETE : 0);
  const HANDLE file = CreateFileW(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::puts("cannot open");
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  const ULONGLONG deadline = GetTickCount64() + 300000;
  while (GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < deadline) {
    Sleep(10);
  }
  CloseHandle(file);
  return 0;
}
