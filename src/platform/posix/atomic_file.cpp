#include "platform/posix/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace qiv::posix {

namespace {

std::atomic<RenameFunction> renameFunction{nullptr};

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The file a symbolic link names, so that replacing keeps the link.
std::string FollowLinks(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) return path;
  return resolved;
}

mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = write(fd, bytes.data() + written, bytes.size() - written);
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<size_t>(count);
  }
  return true;
}

void SyncDirectory(const std::string& directory) {
  const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

int ReplaceFileAtomically(const std::string& requestedPath, const std::string& bytes) {
  const std::string path = FollowLinks(requestedPath);
  struct stat existing;
  const bool exists = stat(path.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) return S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
  const mode_t mode = exists ? (existing.st_mode & 07777) : NewFileMode();

  const std::string directory = DirectoryOf(path);
  std::string pattern = directory + "/.qiv-tmp-XXXXXX";
  std::vector<char> temporary(pattern.begin(), pattern.end());
  temporary.push_back('\0');
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return errno;

  int error = 0;
  if (fchmod(fd, mode) != 0 || !WriteAll(fd, bytes) || fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0) {
    RenameFunction rename = renameFunction.load();
    errno = 0;
    if ((rename != nullptr ? rename : &std::rename)(temporary.data(), path.c_str()) != 0) {
      error = errno != 0 ? errno : EIO;
    }
  }
  if (error != 0) {
    unlink(temporary.data());
    return error;
  }
  SyncDirectory(directory);
  return 0;
}

void SetRenameFunctionForTesting(RenameFunction function) { renameFunction.store(function); }

}  // namespace qiv::posix
