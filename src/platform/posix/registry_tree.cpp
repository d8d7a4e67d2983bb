#include "platform/posix/registry_tree.h"

#include <iterator>

#include "platform/posix/case_fold.h"

namespace qiv::posix {

namespace {

constexpr size_t kMaxKeyNameLength = 255;

struct RootName {
  RegistryRoot root;
  const wchar_t* name;
  const wchar_t* abbreviation;
};

constexpr RootName kRootNames[kRegistryRootCount] = {
    {RegistryRoot::kClassesRoot, L"HKEY_CLASSES_ROOT", L"HKCR"},
    {RegistryRoot::kCurrentUser, L"HKEY_CURRENT_USER", L"HKCU"},
    {RegistryRoot::kLocalMachine, L"HKEY_LOCAL_MACHINE", L"HKLM"},
    {RegistryRoot::kUsers, L"HKEY_USERS", L"HKU"},
    {RegistryRoot::kCurrentConfig, L"HKEY_CURRENT_CONFIG", L"HKCC"},
};

}  // namespace

std::shared_ptr<RegistryKey> RegistryKey::SubKeyAt(size_t index) const {
  if (index >= subKeys_.size()) return nullptr;
  return std::next(subKeys_.begin(), static_cast<std::ptrdiff_t>(index))->second;
}

std::shared_ptr<RegistryKey> RegistryKey::FindSubKey(std::wstring_view name) const {
  auto found = subKeys_.find(UpperCase(name));
  return found == subKeys_.end() ? nullptr : found->second;
}

std::shared_ptr<RegistryKey> RegistryKey::FindOrCreateSubKey(std::wstring_view name) {
  std::shared_ptr<RegistryKey>& slot = subKeys_[UpperCase(name)];
  if (!slot) slot = std::make_shared<RegistryKey>(std::wstring(name), this);
  return slot;
}

void RegistryKey::RemoveSubKey(std::wstring_view name) {
  auto found = subKeys_.find(UpperCase(name));
  if (found == subKeys_.end()) return;
  found->second->MarkDeleted();
  subKeys_.erase(found);
}

void RegistryKey::MarkDeleted() {
  deleted_ = true;
  parent_ = nullptr;
  for (auto& [folded, subKey] : subKeys_) subKey->MarkDeleted();
}

const RegistryValue* RegistryKey::FindValue(std::wstring_view name) const {
  auto found = values_.find(UpperCase(name));
  return found == values_.end() ? nullptr : &found->second.second;
}

const std::pair<std::wstring, RegistryValue>* RegistryKey::ValueAt(size_t index) const {
  if (index >= values_.size()) return nullptr;
  return &std::next(values_.begin(), static_cast<std::ptrdiff_t>(index))->second;
}

void RegistryKey::SetValue(std::wstring_view name, RegistryValue value) {
  auto& slot = values_[UpperCase(name)];
  if (slot.first.empty()) slot.first = name;
  slot.second = std::move(value);
}

void RegistryKey::RemoveValue(std::wstring_view name) { values_.erase(UpperCase(name)); }

bool RegistryKey::SameContent(const RegistryKey& other) const {
  if (!EqualsIgnoringCase(name_, other.name_) || subKeys_.size() != other.subKeys_.size() ||
      values_.size() != other.values_.size()) {
    return false;
  }
  for (auto mine = values_.begin(), theirs = other.values_.begin(); mine != values_.end();
       ++mine, ++theirs) {
    if (mine->first != theirs->first || mine->second.second != theirs->second.second) return false;
  }
  for (auto mine = subKeys_.begin(), theirs = other.subKeys_.begin(); mine != subKeys_.end();
       ++mine, ++theirs) {
    if (!mine->second->SameContent(*theirs->second)) return false;
  }
  return true;
}

std::optional<RegistryRoot> RegistryRootFromName(std::wstring_view name) {
  for (const RootName& entry : kRootNames) {
    if (EqualsIgnoringCase(name, entry.name) || EqualsIgnoringCase(name, entry.abbreviation)) {
      return entry.root;
    }
  }
  return std::nullopt;
}

const wchar_t* RegistryRootName(RegistryRoot root) {
  return kRootNames[static_cast<size_t>(root)].name;
}

std::optional<std::vector<std::wstring>> SplitKeyPath(std::wstring_view path) {
  std::vector<std::wstring> names;
  if (path.empty()) return names;
  if (path.back() == L'\\') path.remove_suffix(1);
  size_t start = 0;
  for (;;) {
    const size_t end = path.find(L'\\', start);
    const std::wstring_view name =
        path.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
    // A name with a null could never be opened again by name.
    if (name.empty() || name.size() > kMaxKeyNameLength || name.find(L'\0') != name.npos) {
      return std::nullopt;
    }
    names.emplace_back(name);
    if (end == std::wstring_view::npos) return names;
    start = end + 1;
  }
}

RegistryTree::RegistryTree() {
  for (const RootName& entry : kRootNames) {
    roots_[static_cast<size_t>(entry.root)] = std::make_shared<RegistryKey>(entry.name, nullptr);
  }
}

std::shared_ptr<RegistryKey> RegistryTree::Find(RegistryRoot root,
                                                const std::vector<std::wstring>& path) const {
  std::shared_ptr<RegistryKey> key = Root(root);
  for (const std::wstring& name : path) {
    key = key->FindSubKey(name);
    if (!key) return nullptr;
  }
  return key;
}

std::shared_ptr<RegistryKey> RegistryTree::FindOrCreate(RegistryRoot root,
                                                        const std::vector<std::wstring>& path) {
  std::shared_ptr<RegistryKey> key = Root(root);
  for (const std::wstring& name : path) key = key->FindOrCreateSubKey(name);
  return key;
}

void RegistryTree::RemoveTree(RegistryRoot root, const std::vector<std::wstring>& path) {
  if (path.empty()) return;
  std::vector<std::wstring> parentPath(path.begin(), path.end() - 1);
  std::shared_ptr<RegistryKey> parent = Find(root, parentPath);
  if (parent) parent->RemoveSubKey(path.back());
}

bool RegistryTree::SameContent(const RegistryTree& other) const {
  for (size_t i = 0; i < kRegistryRootCount; ++i) {
    if (!roots_[i]->SameContent(*other.roots_[i])) return false;
  }
  return true;
}

}  // namespace qiv::posix
