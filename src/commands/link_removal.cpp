#include "commands/link_removal.h"

#include <vector>

#include "platform/win32.h"

namespace qiv::commands {

namespace {

// Deeper than any tree the shell can address: the walk ends instead of the stack.
constexpr int kMaxDepth = 1024;

class ScopedFind {
 public:
  explicit ScopedFind(HANDLE find) : find_(find) {}
  ~ScopedFind() {
    if (find_ != INVALID_HANDLE_VALUE) FindClose(find_);
  }
  ScopedFind(const ScopedFind&) = delete;
  ScopedFind& operator=(const ScopedFind&) = delete;
  HANDLE Get() const { return find_; }

 private:
  HANDLE find_;
};

// "\\?\" paths take every name literally, so an entry whose name ends in a dot
// or blank is reached as itself and not as a neighbour of that name.
std::wstring LiteralPath(const std::wstring& path) {
  if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

bool RemoveLinksBelow(const std::wstring& directory, int depth) {
  if (depth >= kMaxDepth) return false;
  WIN32_FIND_DATAW entry{};
  ScopedFind find(FindFirstFileW((directory + L"\\*").c_str(), &entry));
  if (find.Get() == INVALID_HANDLE_VALUE) return false;
  bool removedAll = true;
  std::vector<std::wstring> folders;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = directory + L"\\" + name;
    const DWORD attributes = entry.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      // A directory link goes with RemoveDirectoryW, a file link with DeleteFileW;
      // neither touches the target.
      const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                               ? RemoveDirectoryW(path.c_str())
                               : DeleteFileW(path.c_str());
      if (!removed) removedAll = false;
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      folders.push_back(path);
    }
  } while (FindNextFileW(find.Get(), &entry));
  if (GetLastError() != ERROR_NO_MORE_FILES) removedAll = false;
  for (const std::wstring& folder : folders) {
    if (!RemoveLinksBelow(folder, depth + 1)) removedAll = false;
  }
  return removedAll;
}

}  // namespace

bool RemoveLinksInside(const std::wstring& directory) {
  return RemoveLinksBelow(LiteralPath(directory), 0);
}

}  // namespace qiv::commands
