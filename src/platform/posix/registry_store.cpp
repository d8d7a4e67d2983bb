#include "platform/posix/registry_store.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/current_user.h"
#include "platform/posix/atomic_file.h"
#include "platform/posix/case_fold.h"
#include "platform/posix/text_file.h"

namespace qiv::posix {

namespace {

constexpr uintptr_t kHandleStep = 4;
constexpr int kMaxLinksFollowed = 63;
constexpr uint32_t kLinkType = 6;  // REG_LINK

bool IsLink(const RegistryKey& key) {
  const RegistryValue* value = key.FindValue(L"SymbolicLinkValue");
  return value != nullptr && value->type == kLinkType;
}

// Takes `prefix` (ASCII, any case) and the backslash after it off the front of `path`.
bool ConsumeName(std::wstring_view& path, std::wstring_view prefix) {
  if (path.size() < prefix.size() || !EqualsIgnoringCase(path.substr(0, prefix.size()), prefix)) {
    return false;
  }
  if (path.size() > prefix.size() && path[prefix.size()] != L'\\') return false;
  path.remove_prefix(std::min(path.size(), prefix.size() + 1));
  return true;
}

// Where a link leads: its native path as a root and the names below it.
bool LinkTarget(const RegistryKey& link, RegistryRoot& root, std::vector<std::wstring>& names) {
  const RegistryValue* value = link.FindValue(L"SymbolicLinkValue");
  std::wstring text;
  for (size_t at = 0; at + 1 < value->data.size(); at += 2) {
    text.push_back(static_cast<wchar_t>(value->data[at] | value->data[at + 1] << 8));
  }
  while (!text.empty() && text.back() == 0) text.pop_back();
  std::wstring_view path(text);
  if (!ConsumeName(path, L"\\Registry")) return false;
  if (ConsumeName(path, L"Machine")) {
    root = RegistryRoot::kLocalMachine;
  } else if (ConsumeName(path, L"User")) {
    root = RegistryRoot::kUsers;
    const std::wstring sid = qiv::platform::CurrentUserSid();
    if (ConsumeName(path, sid)) root = RegistryRoot::kCurrentUser;
  } else {
    return false;
  }
  const auto split = SplitKeyPath(path);
  if (!split) return false;
  names = *split;
  return true;
}

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

LSTATUS RegistryStore::Find(std::shared_ptr<RegistryKey> from,
                            const std::vector<std::wstring>& path, bool openLink,
                            std::shared_ptr<RegistryKey>& found) const {
  // Windows gives up after this many links in one lookup.
  int linksLeft = kMaxLinksFollowed;
  std::vector<std::wstring> rest = path;
  std::reverse(rest.begin(), rest.end());  // the next name at the back
  while (!rest.empty()) {
    from = from->FindSubKey(rest.back());
    if (!from) return ERROR_FILE_NOT_FOUND;
    rest.pop_back();
    if (!IsLink(*from) || (rest.empty() && openLink)) continue;
    std::vector<std::wstring> target;
    RegistryRoot root;
    if (--linksLeft < 0 || !LinkTarget(*from, root, target)) return ERROR_FILE_NOT_FOUND;
    from = tree_.Root(root);
    rest.insert(rest.end(), target.rbegin(), target.rend());
  }
  found = std::move(from);
  return ERROR_SUCCESS;
}

LSTATUS RegistryStore::DeleteKey(const std::shared_ptr<RegistryKey>& target) {
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
