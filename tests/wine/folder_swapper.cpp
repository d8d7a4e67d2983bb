// A second process that tries to swap a folder while another program deletes it:
// once any of the signal files is gone (the deletion has begun), it renames
// FOLDER away to FOLDER.away and moves DECOY into its place, trying again until it
// succeeds or FOLDER is gone. Prints "swapped after N refusals" or "refused N
// times"; "no deletion seen" when no signal file went within five minutes.
//
//   qiv_folder_swapper.exe FOLDER DECOY SIGNAL...
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fputs("usage: qiv_folder_swapper.exe FOLDER DECOY SIGNAL...\n", stderr);
    return 2;
  }
  const std::wstring folder = argv[1];
  const std::wstring decoy = argv[2];
  const std::vector<std::wstring> signals(argv + 3, argv + argc);
  const ULONGLONG start = GetTickCount64();
  const ULONGLONG deadline = start + 300000;
  bool begun = false;
  while (!begun) {
    for (const std::wstring& signal : signals) begun = begun || !Exists(signal);
    if (GetTickCount64() > deadline) {
      std::puts("no deletion seen");
      return 1;
    }
    if (!begun) Sleep(1);
  }
  const ULONGLONG begin = GetTickCount64();
  const std::wstring away = folder + L".away";
  unsigned long refusals = 0;
  DWORD error = 0;
  while (Exists(folder)) {
    if (MoveFileExW(folder.c_str(), away.c_str(), 0)) {
      MoveFileExW(decoy.c_str(), folder.c_str(), 0);
      std::printf(
          "swapped after %lu refusals (error %lu), %llu ms after the deletion began at %llu ms\n",
          refusals, error, GetTickCount64() - begin, begin - start);
      return 0;
    }
    error = GetLastError();
    ++refusals;
  }
  std::printf("refused %lu times (error %lu) in %llu ms from %llu ms\n", refusals, error,
              GetTickCount64() - begin, begin - start);
  return 0;
}
