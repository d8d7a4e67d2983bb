#include "platform/posix/registry_store.h"

#include <cerrno>
#include <cstdlib>

#include "platform/posix/atomic_file.h"
#include "platform/posix/text_file.h"

namespace qiv::posix {

namespace {

constexpr uintptr_t kHandleStep = 4;

struct PredefinedRoot {
  HKEY handle;
  RegistryRoot root;
};

const PredefinedRoot kPredefinedRoots[] = {
    {HKEY_CLASSES_ROOT, RegistryRoot::kClassesRoot},
    {HKEY_CURRENT_USER, RegistryRoot::kCurrentUser},
    {HKEY_LOCAL_MACHINE, RegistryRoot::kLocalMachine},
    {HKEY_USERS, RegistryRoot::kUsers},
    {HKEY_CURRENT_CONFIG, RegistryRoot::kCurrentConfig},
};

LSTATUS StatusFromErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    default:
      return ERROR_WRITE_FAULT;
  }
}

}  // namespace

void ReloadRegistry() {
  RegistryStore& store = RegistryStore::Instance();
  auto lock = store.Lock();
  store.Reload();
}

RegistryStore& RegistryStore::Instance() {
  static RegistryStore* store = new RegistryStore();  // never destroyed: used until exit
  return *store;
}

std::unique_lock<std::mutex> RegistryStore::Lock() {
  std::unique_lock<std::mutex> lock(mutex_);
  LoadIfNeeded();
  return lock;
}

void RegistryStore::LoadIfNeeded() {
  if (loaded_) return;
  loaded_ = true;
  filePath_.clear();
  document_ = RegistryDocument();
  tree_ = RegistryTree();
  const char* path = std::getenv("QIV_REGISTRY_FILE");
  if (path == nullptr || *path == '\0') return;
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return;
  filePath_ = path;
  document_ = RegistryDocument::FromBytes(bytes);
  document_.BuildTree(tree_);
}

void RegistryStore::Reload() {
  struct OpenKey {
    RegistryRoot root;
    std::vector<std::wstring> names;
  };
  std::unordered_map<uintptr_t, OpenKey> openKeys;
  for (const auto& [value, key] : handles_) {
    OpenKey open;
    if (!key->IsDeleted() && PathOf(*key, open.root, open.names)) openKeys[value] = open;
  }
  loaded_ = false;
  LoadIfNeeded();
  for (auto& [value, key] : handles_) {
    auto open = openKeys.find(value);
    std::shared_ptr<RegistryKey> found;
    if (open != openKeys.end()) found = tree_.Find(open->second.root, open->second.names);
    if (found) {
      key = found;
    } else if (!key->IsDeleted()) {
      key->MarkDeleted();
    }
  }
}

LSTATUS RegistryStore::Resolve(HKEY handle, std::shared_ptr<RegistryKey>& key) {
  for (const PredefinedRoot& predefined : kPredefinedRoots) {
    if (handle == predefined.handle) {
      key = tree_.Root(predefined.root);
      return ERROR_SUCCESS;
    }
  }
  auto found = handles_.find(reinterpret_cast<uintptr_t>(handle));
  if (found == handles_.end()) return ERROR_INVALID_HANDLE;
  if (found->second->IsDeleted()) return ERROR_KEY_DELETED;
  key = found->second;
  return ERROR_SUCCESS;
}

HKEY RegistryStore::OpenHandle(std::shared_ptr<RegistryKey> key) {
  const uintptr_t value = nextHandle_;
  nextHandle_ += kHandleStep;
  handles_[value] = std::move(key);
  return reinterpret_cast<HKEY>(value);
}

LSTATUS RegistryStore::CloseHandle(HKEY handle) {
  for (const PredefinedRoot& predefined : kPredefinedRoots) {
    if (handle == predefined.handle) return ERROR_SUCCESS;
  }
  return handles_.erase(reinterpret_cast<uintptr_t>(handle)) == 1 ? ERROR_SUCCESS
                                                                  : ERROR_INVALID_HANDLE;
}

bool RegistryStore::PathOf(const RegistryKey& key, RegistryRoot& root,
                           std::vector<std::wstring>& names) const {
  names.clear();
  const RegistryKey* current = &key;
  while (current->Parent() != nullptr) {
    names.insert(names.begin(), current->Name());
    current = current->Parent();
  }
  for (size_t i = 0; i < kRegistryRootCount; ++i) {
    if (tree_.Root(static_cast<RegistryRoot>(i)).get() == current) {
      root = static_cast<RegistryRoot>(i);
      return true;
    }
  }
  return false;
}

LSTATUS RegistryStore::DeleteKey(const std::shared_ptr<RegistryKey>& parent,
                                 const std::vector<std::wstring>& path) {
  std::shared_ptr<RegistryKey> target = parent;
  for (const std::wstring& name : path) {
    target = target->FindSubKey(name);
    if (!target) return ERROR_FILE_NOT_FOUND;
  }
  if (target->SubKeyCount() != 0) return ERROR_ACCESS_DENIED;

  RegistryRoot root;
  std::vector<std::wstring> names;
  if (target->Parent() == nullptr || !PathOf(*target, root, names)) return ERROR_ACCESS_DENIED;

  // The rewritten file must read back as the registry without this key, so the
  // parent gets a section of its own where the key's sections were its only trace.
  RegistryTree expected;
  document_.BuildTree(expected);
  expected.RemoveTree(root, names);
  RegistryDocument rewritten = document_.WithoutKey(root, names, nullptr);
  RegistryTree reread;
  rewritten.BuildTree(reread);
  if (!reread.SameContent(expected) && names.size() > 1) {
    std::vector<std::wstring> parentNames;
    RegistryRoot parentRoot;
    PathOf(*target->Parent(), parentRoot, parentNames);
    rewritten = document_.WithoutKey(root, names, &parentNames);
    reread = RegistryTree();
    rewritten.BuildTree(reread);
  }
  if (!reread.SameContent(expected)) return ERROR_WRITE_FAULT;

  if (!filePath_.empty()) {
    const int error = ReplaceFileAtomically(filePath_, rewritten.ToBytes());
    if (error != 0) return StatusFromErrno(error);
  }
  document_ = std::move(rewritten);
  target->Parent()->RemoveSubKey(target->Name());
  return ERROR_SUCCESS;
}

}  // namespace qiv::posix
