// On Windows the debug-output functions belong to the system, so the capture
// listens where their messages surface in the process: OutputDebugString raises a
// continuable exception carrying the text, which a vectored handler sees first.
// The handler only looks and lets the search go on, so the normal channel (an
// attached debugger, Wine's trace log) still gets every message.
#include "platform/debug_capture.h"

#include <string>

#include "platform/win32.h"

namespace qiv::platform {

namespace {

// Raised by OutputDebugStringA: length with terminator, narrow text.
constexpr DWORD kDebugPrintNarrow = 0x40010006;
// Raised first by OutputDebugStringW on newer systems: wide length and text, then
// the narrow copy's length and text. Unless a debugger takes it, the same message
// follows as a narrow one, which must not be recorded twice.
constexpr DWORD kDebugPrintWide = 0x4001000A;

thread_local std::string pendingNarrowEcho;
thread_local bool expectingNarrowEcho = false;

std::wstring FromAnsi(const char* text, size_t length) {
  std::wstring wide;
  if (length == 0) return wide;
  const int count = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
  if (count <= 0) return wide;
  wide.resize(static_cast<size_t>(count));
  MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), &wide[0], count);
  return wide;
}

// The reported length counts the terminator; the text itself is what counts.
template <typename Char>
size_t TextLength(const Char* text, ULONG_PTR reported) {
  size_t n = 0;
  while ((reported == 0 || n < reported) && text[n] != 0) ++n;
  return n;
}

LONG CALLBACK OnDebugPrint(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  if (record->ExceptionCode == kDebugPrintWide && record->NumberParameters >= 2 &&
      record->ExceptionInformation[1] != 0) {
    const auto* text = reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]);
    DebugCapture::Record(std::wstring(text, TextLength(text, record->ExceptionInformation[0])));
    expectingNarrowEcho = false;
    if (record->NumberParameters >= 4 && record->ExceptionInformation[3] != 0) {
      const auto* narrow = reinterpret_cast<const char*>(record->ExceptionInformation[3]);
      pendingNarrowEcho.assign(narrow, TextLength(narrow, record->ExceptionInformation[2]));
      expectingNarrowEcho = true;
    }
  } else if (record->ExceptionCode == kDebugPrintNarrow && record->NumberParameters >= 2 &&
             record->ExceptionInformation[1] != 0) {
    const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    const std::string message(text, TextLength(text, record->ExceptionInformation[0]));
    const bool echo = expectingNarrowEcho && message == pendingNarrowEcho;
    expectingNarrowEcho = false;
    if (!echo) DebugCapture::Record(FromAnsi(message.data(), message.size()));
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

// One handler for the process, installed with the first capture.
void StartListeningForDebugOutput() {
  static PVOID handler = AddVectoredExceptionHandler(1, OnDebugPrint);
  (void)handler;
}

}  // namespace qiv::platform
