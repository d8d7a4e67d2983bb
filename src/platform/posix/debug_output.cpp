// Debug output goes to standard error, one line per message, UTF-8.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/debug_capture.h"
#include "platform/posix/utf.h"
#include "platform/win32.h"

namespace {

void WriteLine(const std::string& utf8) {
  std::string line = utf8;
  if (line.empty() || line.back() != '\n') line.push_back('\n');
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void OutputDebugStringW(LPCWSTR text) {
  if (text == nullptr) return;
  std::wstring message(text);
  qiv::platform::DebugCapture::Record(message);
  WriteLine(qiv::posix::Utf16ToUtf8(message));
}

void OutputDebugStringA(LPCSTR text) {
  if (text == nullptr) return;
  std::wstring message;
  for (const char* p = text; *p != '\0'; ++p) message.push_back(static_cast<unsigned char>(*p));
  qiv::platform::DebugCapture::Record(message);
  WriteLine(std::string(text));
}
