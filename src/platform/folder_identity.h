// What a path names, as the system resolves it. Windows has many spellings of one
// folder (drive letters of one volume, "\\?\", "\\localhost\C$", short names, case
// beyond ASCII), so folders are compared by identity: the volume serial number and
// the file index of the object the system opens.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace qiv::platform {

struct FileIdentity {
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
  bool operator==(const FileIdentity&) const = default;
};

struct FileIdentityHash {
  size_t operator()(const FileIdentity& id) const {
    const unsigned long long index =
        (static_cast<unsigned long long>(id.indexHigh) << 32) | id.indexLow;
    return std::hash<unsigned long long>()(index) ^ (std::hash<DWORD>()(id.volume) << 1);
  }
};

struct ResolvedFolder {
  FileIdentity identity;
  // The object itself: a link or junction is not followed.
  DWORD attributes = 0;
  // The folders above it as the system resolves the path (links followed), the
  // parent first and the volume root last; empty for a volume root.
  std::vector<FileIdentity> ancestors;
  // A folder of that resolved chain is itself a link, junction or mount point.
  bool ancestorIsReparsePoint = false;
  // Every folder of the chain could be opened.
  bool complete = true;
};

// The identity of what `handle` has open, and its attributes when asked; false
// for no handle or when the system cannot tell.
bool IdentifyHandle(HANDLE handle, FileIdentity& identity, DWORD* attributes = nullptr);

// The system's normalised path of what `handle` has open ("\\?\C:\..." or
// "\\?\UNC\..."), its names as the file system keeps them; empty when it
// cannot tell.
std::wstring FinalPath(HANDLE handle);

// Nothing when the path names nothing the system can open. A link, junction or
// mount point named by the path is the object itself unless `followLink` is set,
// when it is what the link leads to.
std::optional<ResolvedFolder> ResolveFolder(const std::wstring& path, bool followLink = false);

}  // namespace qiv::platform
