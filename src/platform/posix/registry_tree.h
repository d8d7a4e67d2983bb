// The in-memory registry: keys with case-insensitive names, subkeys kept in the
// order Windows enumerates them (by upper-cased name), and typed values holding the
// bytes Windows would store. Keys are shared so that open handles outlive deletion.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qiv::posix {

struct RegistryValue {
  uint32_t type = 0;
  std::vector<uint8_t> data;
  bool operator==(const RegistryValue&) const = default;
};

class RegistryKey {
 public:
  RegistryKey(std::wstring name, RegistryKey* parent) : name_(std::move(name)), parent_(parent) {}
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  const std::wstring& Name() const { return name_; }
  RegistryKey* Parent() const { return parent_; }
  bool IsDeleted() const { return deleted_; }

  size_t SubKeyCount() const { return subKeys_.size(); }
  std::shared_ptr<RegistryKey> SubKeyAt(size_t index) const;
  std::shared_ptr<RegistryKey> FindSubKey(std::wstring_view name) const;
  std::shared_ptr<RegistryKey> FindOrCreateSubKey(std::wstring_view name);
  // Detaches the subkey and marks it and everything below it deleted.
  void RemoveSubKey(std::wstring_view name);

  const RegistryValue* FindValue(std::wstring_view name) const;
  // The value at `index` in enumeration order with its name as written, or null.
  const std::pair<std::wstring, RegistryValue>* ValueAt(size_t index) const;
  void SetValue(std::wstring_view name, RegistryValue value);
  void RemoveValue(std::wstring_view name);

  // Same names (ignoring case), values and subkeys, recursively.
  bool SameContent(const RegistryKey& other) const;

  // The key and everything below it are gone; handles to them report so.
  void MarkDeleted();

 private:
  std::wstring name_;
  RegistryKey* parent_;
  bool deleted_ = false;
  std::map<std::wstring, std::shared_ptr<RegistryKey>> subKeys_;           // by upper case
  std::map<std::wstring, std::pair<std::wstring, RegistryValue>> values_;  // by upper case
};

// The predefined roots a registry file can name.
enum class RegistryRoot { kClassesRoot, kCurrentUser, kLocalMachine, kUsers, kCurrentConfig };
constexpr size_t kRegistryRootCount = 5;

std::optional<RegistryRoot> RegistryRootFromName(std::wstring_view name);
const wchar_t* RegistryRootName(RegistryRoot root);

// Splits a key path below a key into its names. One trailing backslash is allowed;
// any other empty name, or a name longer than 255 units, makes the path invalid.
std::optional<std::vector<std::wstring>> SplitKeyPath(std::wstring_view path);

class RegistryTree {
 public:
  RegistryTree();
  std::shared_ptr<RegistryKey> Root(RegistryRoot root) const {
    return roots_[static_cast<size_t>(root)];
  }
  std::shared_ptr<RegistryKey> Find(RegistryRoot root, const std::vector<std::wstring>& path) const;
  std::shared_ptr<RegistryKey> FindOrCreate(RegistryRoot root,
                                            const std::vector<std::wstring>& path);
  // Removes the key at `path` with everything below it; the roots stay.
  void RemoveTree(RegistryRoot root, const std::vector<std::wstring>& path);
  bool SameContent(const RegistryTree& other) const;

 private:
  std::array<std::shared_ptr<RegistryKey>, kRegistryRootCount> roots_;
};

}  // namespace qiv::posix
