#include "platform/file_io.h"

#include <cstdio>
#include <memory>

#include "platform/win32.h"

namespace qiv::platform {

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

}  // namespace

bool ReadWholeFile(const std::wstring& path, size_t maxBytes, std::string& contents) {
  contents.clear();
  FileHandle file(_wfopen(path.c_str(), L"rb"));
  if (!file) return false;
  char chunk[16384];
  while (true) {
    const size_t got = std::fread(chunk, 1, sizeof(chunk), file.get());
    if (got > maxBytes - contents.size()) break;
    contents.append(chunk, got);
    if (got < sizeof(chunk)) {
      if (std::ferror(file.get()) != 0) break;
      return true;
    }
  }
  contents.clear();
  return false;
}

FILE* OpenFileForBinaryWrite(const wchar_t* path) {
  if (path == nullptr || *path == 0) return nullptr;
  return _wfopen(path, L"wb");
}

}  // namespace qiv::platform
