#include "platform/file_open.h"

#include <stdio.h>

namespace qiv::platform {

FILE* OpenFileForBinaryWrite(const wchar_t* path) {
  if (path == nullptr || *path == 0) return nullptr;
  return _wfopen(path, L"wb");
}

}  // namespace qiv::platform
