// Starts a program with a command line given byte for byte, so that a test can
// hand the program's runtime exactly the quotes, backslashes and tabs it means.
//
//   qiv_raw_command_line.exe LINE_FILE PROGRAM
//
// LINE_FILE holds, in UTF-8, what follows the program's quoted name on its command
// line. Exits with the program's exit status.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  constexpr int kFailed = 255;
  if (argc != 3) {
    std::fprintf(stderr, "usage: qiv_raw_command_line LINE_FILE PROGRAM\n");
    return kFailed;
  }
  FILE* file = _wfopen(argv[1], L"rb");
  if (file == nullptr) return kFailed;
  std::string line;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof(buffer), file)) > 0;)
    line.append(buffer, got);
  std::fclose(file);
  std::wstring tail(line.size(), L'\0');
  tail.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, line.data(),
                                                      static_cast<int>(line.size()), &tail[0],
                                                      static_cast<int>(tail.size()))));
  std::wstring commandLine = L"\"" + std::wstring(argv[2]) + L"\" " + tail;

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(argv[2], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return kFailed;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = kFailed;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}
