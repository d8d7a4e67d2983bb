// A second process that holds a file open without sharing its deletion, as an
// overlay DLL or a scanner does: prints "held" once the file is open, and closes it
// when RELEASE exists (or after five minutes). Prints "cannot open" and exits 1 when
// the file cannot be opened.
//
//   qiv_file_holder.exe FILE RELEASE
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: qiv_file_holder.exe FILE RELEASE\n", stderr);
    return 2;
  }
  const HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
