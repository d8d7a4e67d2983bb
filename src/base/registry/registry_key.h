// An owning handle to one open registry key, with the registry view it was opened
// in. It deletes single keys and whole key trees in that same view.
#pragma once

#include "platform/win32.h"

class CRegistryKey {
 public:
  CRegistryKey() = default;
  ~CRegistryKey();
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  // Opens subKey (null: the parent itself) below parent. On success any handle held
  // before is closed; on failure the object stays exactly as it was.
  LONG Open(HKEY parent, LPCWSTR subKey, REGSAM access);
  LONG Close();

  // Deletes the direct (or deeper) subkey `name`, which must have no subkeys.
  LONG DeleteSubKey(LPCWSTR name);
  // Deletes the subkey `name` with every key below it, depth first; stops at the
  // first failure and returns it. A registry link in the tree is deleted as the
  // link: the walk never follows one, so the key it points to stays.
  LONG DeleteTree(LPCWSTR name);

  HKEY Handle() const { return handle_; }
  REGSAM ViewFlags() const { return viewFlags_; }

 private:
  LONG DeleteTreeAtDepth(LPCWSTR name, int depth);
  // Opens subKey itself, not the key it links to, with the rights to delete it.
  LONG OpenAsLink(HKEY parent, LPCWSTR subKey, REGSAM access);
  bool IsLink() const;

  HKEY handle_ = nullptr;
  REGSAM viewFlags_ = 0;
};

namespace qiv::registry {

using DeleteKeyExFunction = LSTATUS(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
using DeleteKeyExResolver = DeleteKeyExFunction (*)();

// Test seam: replaces how RegDeleteKeyExW is found (null restores the system lookup)
// and forgets the result of an earlier lookup, so the next deletion looks it up again.
void SetDeleteKeyExResolverForTest(DeleteKeyExResolver resolver);

}  // namespace qiv::registry
