// The registry file of the POSIX stand-in, read from fuzzed bytes: every key is
// reachable through the registry functions, writing the document back reads as the
// same tree, and deleting a key through RegDeleteKeyW rewrites the file so that it
// reads as the old tree without that key (or, while it has subkeys, is refused and
// changes nothing).
//
// Input: one byte choosing the key to delete, then the file's bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_support.h"
#include "platform/posix/registry_file.h"
#include "platform/posix/registry_store.h"
#include "platform/win32.h"

namespace {

using qiv::posix::RegistryDocument;
using qiv::posix::RegistryRoot;
using qiv::posix::RegistryTree;

constexpr size_t kMaxKeys = 2000;

struct KeyPath {
  RegistryRoot root;
  HKEY handle;
  std::wstring path;
  bool hasSubKeys;
};

const struct {
  RegistryRoot root;
  HKEY handle;
} kRoots[] = {{RegistryRoot::kClassesRoot, HKEY_CLASSES_ROOT},
              {RegistryRoot::kCurrentUser, HKEY_CURRENT_USER},
              {RegistryRoot::kLocalMachine, HKEY_LOCAL_MACHINE},
              {RegistryRoot::kUsers, HKEY_USERS},
              {RegistryRoot::kCurrentConfig, HKEY_CURRENT_CONFIG}};

// Every key below `key`, depth first, through the registry functions.
void Walk(RegistryRoot root, HKEY rootHandle, HKEY key, const std::wstring& path,
          std::vector<KeyPath>& keys) {
  for (DWORD index = 0; keys.size() < kMaxKeys; ++index) {
    wchar_t name[256];
    DWORD size = 256;
    const LSTATUS status =
        RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    FUZZ_CHECK(status == ERROR_SUCCESS);
    const std::wstring child = path.empty() ? name : path + L"\\" + name;
    HKEY opened = nullptr;
    FUZZ_CHECK(RegOpenKeyExW(key, name, 0, KEY_READ, &opened) == ERROR_SUCCESS);
    const size_t position = keys.size();
    keys.push_back({root, rootHandle, child, false});
    Walk(root, rootHandle, opened, child, keys);
    keys[position].hasSubKeys = keys.size() > position + 1;
    FUZZ_CHECK(RegCloseKey(opened) == ERROR_SUCCESS);
  }
}

std::vector<std::wstring> Split(const std::wstring& path) {
  std::vector<std::wstring> names;
  size_t start = 0;
  for (size_t slash = path.find(L'\\'); slash != std::wstring::npos;
       slash = path.find(L'\\', start)) {
    names.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  names.push_back(path.substr(start));
  return names;
}

RegistryTree TreeOf(const std::string& bytes) {
  RegistryTree tree;
  RegistryDocument::FromBytes(bytes).BuildTree(tree);
  return tree;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("QIV_REGISTRY_FILE", (fuzz::ScratchDirectory() + "/registry.reg").c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const uint8_t choice = in.Byte();
  const std::string bytes = in.Rest();
  const std::string file = fuzz::ScratchDirectory() + "/registry.reg";
  fuzz::WriteBytes(file, bytes);
  qiv::posix::ReloadRegistry();

  const RegistryTree tree = TreeOf(bytes);
  const RegistryDocument document = RegistryDocument::FromBytes(bytes);
  FUZZ_CHECK(TreeOf(document.ToBytes()).SameContent(tree));

  std::vector<KeyPath> keys;
  for (const auto& root : kRoots) Walk(root.root, root.handle, root.handle, L"", keys);
  if (keys.empty() || keys.size() >= kMaxKeys) return 0;

  const KeyPath& chosen = keys[choice % keys.size()];
  const LSTATUS status = RegDeleteKeyW(chosen.handle, chosen.path.c_str());
  if (chosen.hasSubKeys) {
    FUZZ_CHECK(status == ERROR_ACCESS_DENIED);
    FUZZ_CHECK(fuzz::ReadBytes(file) == bytes);
    return 0;
  }
  FUZZ_CHECK(status == ERROR_SUCCESS);
  RegistryTree expected = TreeOf(bytes);
  expected.RemoveTree(chosen.root, Split(chosen.path));
  FUZZ_CHECK(TreeOf(fuzz::ReadBytes(file)).SameContent(expected));

  // A fresh process sees the same.
  qiv::posix::ReloadRegistry();
  HKEY gone = nullptr;
  FUZZ_CHECK(RegOpenKeyExW(chosen.handle, chosen.path.c_str(), 0, KEY_READ, &gone) ==
             ERROR_FILE_NOT_FOUND);
  return 0;
}
