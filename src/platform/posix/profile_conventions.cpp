#include "platform/profile_conventions.h"

#include <cstdlib>

#include "platform/posix/utf.h"

namespace qiv::platform {

// As the stand-in's profile functions resolve a bare name: "/srv/win" is
// "Z:\srv\win", a relative folder stays relative to the current one.
std::wstring ProfileWindowsDirectory() {
  const char* configured = std::getenv("QIV_WINDOWS_DIR");
  std::wstring directory =
      qiv::posix::Utf8ToUtf16(configured != nullptr && *configured != '\0' ? configured : ".");
  for (wchar_t& unit : directory) {
    if (unit == L'/') unit = L'\\';
  }
  return directory.front() == L'\\' ? L"Z:" + directory : directory;
}

std::wstring DecodeProfileBytes(const std::string& bytes) { return qiv::posix::Utf8ToUtf16(bytes); }

std::string EncodeProfileText(const std::wstring& text) { return qiv::posix::Utf16ToUtf8(text); }

}  // namespace qiv::platform
