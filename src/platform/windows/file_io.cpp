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

bool ReplaceWholeFile(const std::wstring& path, const std::string& contents) {
  const std::wstring temporary = path + L".qivnew";
  bool ok = false;
  {
    FileHandle file(_wfopen(temporary.c_str(), L"wb"));
    if (!file) return false;
    ok = std::fwrite(contents.data(), 1, contents.size(), file.get()) == contents.size();
    ok = std::fclose(file.release()) == 0 && ok;
  }
  if (ok) {
    ok = MoveFileExW(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  }
  if (!ok) DeleteFileW(temporary.c_str());
  return ok;
}

FILE* OpenFileForBinaryWrite(const wchar_t* path) {
  if (path == nullptr || *path == 0) return nullptr;
  return _wfopen(path, L"wb");
}

}  // namespace qiv::platform
