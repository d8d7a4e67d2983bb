#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/posix/path_map.h"
#include "platform/posix/scoped_fd.h"

namespace qiv::platform {

bool ReadWholeFile(const std::wstring& path, size_t maxBytes, std::string& contents) {
  contents.clear();
  const auto mapped = qiv::posix::MapWindowsPath(path);
  if (!mapped) return false;
  // Non-blocking, so a FIFO in the file's place cannot stall the program; only a
  // regular file is read.
  qiv::posix::ScopedFd file(::open(mapped->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat status {};
  if (file.Get() < 0 || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return false;
  }
  char chunk[16384];
  while (true) {
    const ssize_t got = ::read(file.Get(), chunk, sizeof(chunk));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 || static_cast<size_t>(got) > maxBytes - contents.size()) break;
    if (got == 0) return true;
    contents.append(chunk, static_cast<size_t>(got));
  }
  contents.clear();
  return false;
}

FILE* OpenFileForBinaryWrite(const wchar_t* path) {
  if (path == nullptr || *path == 0) return nullptr;
  const std::optional<std::string> native = qiv::posix::MapWindowsPath(path);
  if (!native) return nullptr;
  return std::fopen(native->c_str(), "wb");
}

}  // namespace qiv::platform
