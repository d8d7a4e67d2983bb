// Starts a program the way an installer does and records what it writes to the
// debug-output channel, so that the Wine suite can check the log lines exactly.
//
//   qiv_wine_launcher.exe LOG_FILE PROGRAM [ARGUMENTS...]
//
// It plays the part of a debug-output monitor (the shared DBWIN buffer that every
// OutputDebugStringA call hands its text to when no debugger takes it), starts
// PROGRAM with the rest of its own command line unchanged, appends each message to
// LOG_FILE as UTF-8 (one line per message, a line feed added where the message has
// none) and exits with the program's exit status. Messages are narrow text in the
// ANSI code page, as every OutputDebugStringW message is after the system's
// conversion.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kBufferSize = 4096;
constexpr int kLauncherFailed = 255;

struct SharedBuffer {
  DWORD processId;
  char text[kBufferSize - sizeof(DWORD)];
};

// Scoped kernel handle.
class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
  ~Handle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

// The buffer's text, bounded even if a writer left it unterminated, as UTF-8.
std::string MessageAsUtf8(const SharedBuffer& buffer) {
  const std::string ansi(buffer.text, strnlen(buffer.text, sizeof(buffer.text)));
  if (ansi.empty()) return ansi;
  const int ansiLength = static_cast<int>(ansi.size());
  const int wideLength = MultiByteToWideChar(CP_ACP, 0, ansi.data(), ansiLength, nullptr, 0);
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), ansiLength, &wide[0], wideLength);
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0], length, nullptr, nullptr);
  return utf8;
}

// The command line after the first `count` arguments, exactly as it was given,
// parsed with the rules of the C runtime: whitespace separates arguments outside
// quotes, backslashes only matter before a quote.
const wchar_t* SkipArguments(const wchar_t* line, int count) {
  const wchar_t* p = line;
  for (int i = 0; i < count; ++i) {
    while (*p == L' ' || *p == L'\t') ++p;
    bool quoted = false;
    while (*p != 0 && (quoted || (*p != L' ' && *p != L'\t'))) {
      if (*p == L'\\') {
        int slashes = 0;
        while (*p == L'\\') ++p, ++slashes;
        if (*p == L'"' && slashes % 2 == 1) ++p;
        continue;
      }
      if (*p == L'"') quoted = !quoted;
      ++p;
    }
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

void Append(FILE* log, const std::string& message) {
  std::fwrite(message.data(), 1, message.size(), log);
  if (message.empty() || message.back() != '\n') std::fputc('\n', log);
  std::fflush(log);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: qiv_wine_launcher LOG_FILE PROGRAM [ARGUMENTS...]\n");
    return kLauncherFailed;
  }
  FILE* log = _wfopen(argv[1], L"ab");
  if (log == nullptr) {
    std::fprintf(stderr, "qiv_wine_launcher: cannot open the log file\n");
    return kLauncherFailed;
  }

  Handle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferSize,
                                    L"DBWIN_BUFFER"));
  Handle bufferReady(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY"));
  Handle dataReady(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY"));
  auto* shared = mapping ? static_cast<SharedBuffer*>(
                               MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, kBufferSize))
                         : nullptr;
  if (shared == nullptr || !bufferReady || !dataReady) {
    std::fprintf(stderr, "qiv_wine_launcher: cannot set up the debug-output monitor\n");
    std::fclose(log);
    return kLauncherFailed;
  }

  // The program's command line: its own path, then our arguments after it verbatim.
  std::wstring commandLine = L"\"" + std::wstring(argv[2]) + L"\"";
  const wchar_t* rest = SkipArguments(GetCommandLineW(), 3);
  if (*rest != 0) commandLine += L" " + std::wstring(rest);

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(argv[2], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fprintf(stderr, "qiv_wine_launcher: cannot start the program (error %lu)\n",
                 GetLastError());
    UnmapViewOfFile(shared);
    std::fclose(log);
    return kLauncherFailed;
  }
  Handle child(process.hProcess);
  Handle childThread(process.hThread);

  // A message pending when the program ends is taken before its exit is noticed:
  // the data event comes first in the wait.
  SetEvent(bufferReady.get());
  const HANDLE waits[2] = {dataReady.get(), child.get()};
  for (;;) {
    const DWORD which = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (which == WAIT_OBJECT_0) {
      Append(log, MessageAsUtf8(*shared));
      SetEvent(bufferReady.get());
    } else {
      break;
    }
  }
  while (WaitForSingleObject(dataReady.get(), 0) == WAIT_OBJECT_0) {
    Append(log, MessageAsUtf8(*shared));
  }

  DWORD exitCode = kLauncherFailed;
  GetExitCodeProcess(child.get(), &exitCode);
  UnmapViewOfFile(shared);
  std::fclose(log);
  return static_cast<int>(exitCode);
}
