// An owning handle to one open registry key, with the registry view it was opened
// in. It deletes single keys and whole key trees in that same view.
#pragma once

#include <utility>

#include "platform/scoped_win32.h"
#include "platform/win32.h"

class CRegistryKey {
 public:
  // What Open does with a registry link: opens the key it names, or the link itself.
  enum class Link { kFollow, kOpenItself };

  CRegistryKey() = default;
  CRegistryKey(CRegistryKey&& other) noexcept
      : key_(std::move(other.key_)), viewFlags_(std::exchange(other.viewFlags_, 0)) {}
  CRegistryKey& operator=(CRegistryKey&& other) noexcept {
    if (this != &other) {
      Close();
      key_ = std::move(other.key_);
      viewFlags_ = std::exchange(other.viewFlags_, 0);
    }
    return *this;
  }

  // Opens subKey (null: the parent itself) below parent. On success any handle held
  // before is closed; on failure the object stays exactly as it was.
  LONG Open(HKEY parent, LPCWSTR subKey, REGSAM access, Link link = Link::kFollow);
  LONG Close();

  // Deletes the direct (or deeper) subkey `name`, which must have no subkeys.
  LONG DeleteSubKey(LPCWSTR name);
  // Deletes the subkey `name` with every key below it, depth first; stops at the
  // first failure and returns it. A registry link in the tree is deleted as the
  // link: the walk never follows one, so the key it points to stays.
  LONG DeleteTree(LPCWSTR name);
  // Deletes every key below the held key, then the held key itself, each through a
  // handle opened as itself (a link goes as the link), never by name: what goes is
  // what was opened, whatever is renamed or linked in its place meanwhile. The held
  // key needs DELETE access. Stops at the first failure and returns it.
  LONG DeleteHeldTree();

  // Whether the held key is a registry link (opened as itself): it holds the path it
  // leads to in its "SymbolicLinkValue" of type REG_LINK.
  bool IsLink() const;

  HKEY Handle() const { return key_.Get(); }
  REGSAM ViewFlags() const { return viewFlags_; }

 private:
  LONG DeleteTreeAtDepth(LPCWSTR name, int depth);
  LONG DeleteHeldTreeAtDepth(int depth);
  // Deletes every subkey, each with its tree: through handles, or by name as
  // DeleteTree does.
  LONG DeleteSubKeys(int depth, bool throughHandles);

  qiv::platform::ScopedRegistryKey key_;
  REGSAM viewFlags_ = 0;
};

namespace qiv::platform {

using DeleteKeyExFunction = LSTATUS(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
using DeleteKeyExResolver = DeleteKeyExFunction (*)();

// Test seam: replaces how RegDeleteKeyExW is found (null restores the system lookup)
// and forgets the result of an earlier lookup, so the next deletion looks it up again.
void SetDeleteKeyExResolverForTest(DeleteKeyExResolver resolver);

}  // namespace qiv::platform
