// The process's registry: the file named by QIV_REGISTRY_FILE, read on first use,
// its keys, and the table of open key handles. Handles hold their key, so a handle
// to a key deleted meanwhile is never dangling; it reports ERROR_KEY_DELETED.
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

  // Deletes the key at `path` below `parent`, which must have no subkeys, and
  // rewrites the file. Nothing changes when the file cannot be rewritten.
  LSTATUS DeleteKey(const std::shared_ptr<RegistryKey>& parent,
                    const std::vector<std::wstring>& path);

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
