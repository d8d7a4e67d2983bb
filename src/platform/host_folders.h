// The host's own trees, where the program sees a POSIX file system: the stand-in's
// whole world, and under Wine what the drive showing the host's root (Z: at first)
// leads to. Nothing of them is any game's.
#pragma once

#include <string>
#include <utility>

#include "platform/protected_folders.h"

namespace qiv::platform {

struct HostFolder {
  enum Kind { kKept, kKeptWithChildren, kSealed };
  const char* path;
  Kind kind;
};

inline constexpr HostFolder kHostFolders[] = {
    // Users' homes, every one of them kept with the folder holding them.
    {"/home", HostFolder::kKeptWithChildren},
    {"/root", HostFolder::kKept},
    // Where users keep data, shared and mounted.
    {"/tmp", HostFolder::kKept},
    {"/var/tmp", HostFolder::kKept},
    {"/mnt", HostFolder::kKept},
    {"/media", HostFolder::kKept},
    {"/opt", HostFolder::kKept},
    {"/srv", HostFolder::kKept},
    // The system's own trees.
    {"/bin", HostFolder::kSealed},
    {"/boot", HostFolder::kSealed},
    {"/dev", HostFolder::kSealed},
    {"/etc", HostFolder::kSealed},
    {"/lib", HostFolder::kSealed},
    {"/lib32", HostFolder::kSealed},
    {"/lib64", HostFolder::kSealed},
    {"/proc", HostFolder::kSealed},
    {"/run", HostFolder::kSealed},
    {"/sbin", HostFolder::kSealed},
    {"/sys", HostFolder::kSealed},
    {"/usr", HostFolder::kSealed},
    {"/var", HostFolder::kSealed},
};

// Puts a host folder, named as the program sees it, in the lists its kind says.
inline void AddHostFolder(ProtectedFolders& folders, HostFolder::Kind kind, std::wstring name) {
  if (kind == HostFolder::kKeptWithChildren) folders.keptWithChildren.push_back(name);
  (kind == HostFolder::kSealed ? folders.sealed : folders.kept).push_back(std::move(name));
}

}  // namespace qiv::platform
