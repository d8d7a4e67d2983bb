#include "platform/posix/tree_removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/posix/scoped_fd.h"

namespace qiv::posix {

namespace {

class FailureRecord {
 public:
  void Note(int error) {
    if (first_ == 0) first_ = error != 0 ? error : EIO;
  }
  int First() const { return first_; }

 private:
  int first_ = 0;
};

// The names in a directory, read in full before anything in it is removed.
bool ListDirectory(int directoryFd, std::vector<std::string>& names) {
  const int listingFd = dup(directoryFd);
  if (listingFd < 0) return false;
  DIR* directory = fdopendir(listingFd);
  if (directory == nullptr) {
    close(listingFd);
    return false;
  }
  while (const dirent* entry = readdir(directory)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(directory);
  return true;
}

void RemoveEntry(int parentFd, const std::string& name, FailureRecord& failures) {
  const int fd = openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    // Not a directory (a file, a link, anything else): remove the entry itself.
    if (errno != ENOTDIR && errno != ELOOP) {
      failures.Note(errno);
      return;
    }
    if (unlinkat(parentFd, name.c_str(), 0) != 0) failures.Note(errno);
    return;
  }
  ScopedFd directory(fd);
  std::vector<std::string> names;
  if (!ListDirectory(directory.Get(), names)) {
    failures.Note(errno);
    return;
  }
  for (const std::string& child : names) RemoveEntry(directory.Get(), child, failures);
  if (unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0) failures.Note(errno);
}

}  // namespace

int RemoveTree(const std::string& requested) {
  std::string path = requested;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const size_t slash = path.rfind('/');
  const std::string parent =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return EPERM;

  ScopedFd parentFd(open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (parentFd.Get() < 0) return errno;
  struct stat info;
  if (fstatat(parentFd.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  FailureRecord failures;
  RemoveEntry(parentFd.Get(), name, failures);
  return failures.First();
}

}  // namespace qiv::posix
