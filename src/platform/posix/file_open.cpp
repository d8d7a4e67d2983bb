#include "platform/file_open.h"

#include <string>

#include "platform/posix/utf.h"

namespace qiv::platform {

// The program sees Windows paths: '\' separates and Wine's drive Z: is the root.
FILE* OpenFileForBinaryWrite(const wchar_t* path) {
  if (path == nullptr || *path == 0) return nullptr;
  std::string native = qiv::posix::Utf16ToUtf8(std::wstring(path));
  if (native.size() >= 2 && (native[0] == 'Z' || native[0] == 'z') && native[1] == ':') {
    native.erase(0, 2);
  }
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return std::fopen(native.c_str(), "wb");
}

}  // namespace qiv::platform
