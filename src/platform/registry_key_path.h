// A registry path opened one key at a time from its root, each key as itself. A name
// that is handed to the system whole is resolved again on every use, through every
// registry link on the way, and a standard user may make a link in any key they can
// write; opened step by step, every key is the one the path names now, and the check
// and the deletion that follow go through these same handles.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/registry_key.h"
#include "platform/win32.h"

namespace qiv::platform {

// The names of a key path as the system takes them: one trailing backslash is
// allowed; any other empty name, or one longer than 255 units, makes it invalid.
std::optional<std::vector<std::wstring>> SplitRegistryPath(const std::wstring& path);

class CRegistryKeyPath {
 public:
  enum class Status { kOpened, kMissing, kLinkOnTheWay, kFailed };

  // Opens each of `names` below `root`, with REG_OPTION_OPEN_LINK and the view bits
  // of `view`: every key but the last for reading, the last with `lastAccess`. A
  // link before the last key ends the walk (kLinkOnTheWay), except where the system
  // itself puts links: the user's Software\Classes, followed to the user's own
  // classes hive (HKEY_USERS\<user>_Classes), and, when `systemDepth` is given, a
  // link among the first `systemDepth` - 1 keys, which lie in containers only
  // administrators can change (where the system shares a key between its 32-bit
  // and 64-bit views, for one), followed to the key it leads to. Any key held
  // before is closed first.
  Status Open(HKEY root, const std::vector<std::wstring>& names, REGSAM lastAccess, REGSAM view = 0,
              size_t systemDepth = 0);
  void Close();

  // The key `depth` names down the path: 0 is the root itself.
  HKEY At(size_t depth) const { return depth == 0 ? root_ : keys_[depth - 1].Handle(); }
  size_t Depth() const { return keys_.size(); }
  CRegistryKey& Last() { return keys_.back(); }
  const CRegistryKey& Last() const { return keys_.back(); }

 private:
  HKEY root_ = nullptr;
  std::vector<CRegistryKey> keys_;
};

}  // namespace qiv::platform
