// The process's registry: the file named by QIV_REGISTRY_FILE, read on first use,
// its keys, and the table of open key handles. Handles hold their key, so a handle
// to a key deleted meanwhile is never dangling; it reports ERROR_KEY_DELETED.
//
// A key that holds a "SymbolicLinkValue" of type REG_LINK (hex(6): in the file) is
// a registry link, as a key made with REG_OPTION_CREATE_LINK is on Windows. Its data
// is the native path of the key it leads to, in UTF-16: "\Registry\Machine\..." (in
// HKEY_LOCAL_MACHINE), "\Registry\User\<SID>\..." (HKEY_CURRENT_USER for the running
// user's SID, HKEY_USERS\<SID> for any other).
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/posix/registry_file.h"
#include "platform/posix/registry_tree.h"
#include "platform/win32.h"

namespace qiv::posix {

// Reads the registry file again, as a new process would. Open handles keep
// addressing the key of the same path, or report ERROR_KEY_DELETED once it is gone.
// For tests, which change the file between cases.
void ReloadRegistry();

class RegistryStore {
 public:
  static RegistryStore& Instance();

  // Every other member requires the lock.
  std::unique_lock<std::mutex> Lock();

  // The key behind a predefined root or an open handle.
  LSTATUS Resolve(HKEY handle, std::shared_ptr<RegistryKey>& key);
  HKEY OpenHandle(std::shared_ptr<RegistryKey> key);
  LSTATUS CloseHandle(HKEY handle);

  // The key at `path` below `from`, as Windows resolves it: a registry link on the
  // way is followed to the key it names, and so is the last key unless `openLink`.
  LSTATUS Find(std::shared_ptr<RegistryKey> from, const std::vector<std::wstring>& path,
               bool openLink, std::shared_ptr<RegistryKey>& found) const;

  // Deletes `target`, which must have no subkeys, and rewrites the file. Nothing
  // changes when the file cannot be rewritten.
  LSTATUS DeleteKey(const std::shared_ptr<RegistryKey>& target);

  void Reload();

 private:
  RegistryStore() = default;
  void LoadIfNeeded();
  bool PathOf(const RegistryKey& key, RegistryRoot& root, std::vector<std::wstring>& names) const;

  std::mutex mutex_;
  bool loaded_ = false;
  std::string filePath_;  // empty: no file, an empty registry that is never written
  RegistryDocument document_;
  RegistryTree tree_;
  std::unordered_map<uintptr_t, std::shared_ptr<RegistryKey>> handles_;
  uintptr_t nextHandle_ = 0x1000;
};

}  // namespace qiv::posix
