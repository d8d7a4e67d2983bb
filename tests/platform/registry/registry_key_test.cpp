#ifndef _WIN32

#include "platform/registry_key.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/posix/atomic_file.h"
#include "platform/registry_text.h"
#include "support/registry_scratch.h"

namespace {

constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;

struct DeleteKeyExRecord {
  int lookups = 0;
  std::vector<REGSAM> views;
  bool pretend = false;  // report success without deleting
};
DeleteKeyExRecord record;

LSTATUS WINAPI RecordingDeleteKeyEx(HKEY key, LPCWSTR name, REGSAM view, DWORD reserved) {
  record.views.push_back(view);
  if (record.pretend) return ERROR_SUCCESS;
  return RegDeleteKeyExW(key, name, view, reserved);
}
qiv::platform::DeleteKeyExFunction FindRecording() {
  ++record.lookups;
  return &RecordingDeleteKeyEx;
}
qiv::platform::DeleteKeyExFunction FindNothing() {
  ++record.lookups;
  return nullptr;
}

class RegistryKeyTest : public qiv::testing::RegistryScratchTest {
 protected:
  void SetUp() override {
    RegistryScratchTest::SetUp();
    record = DeleteKeyExRecord();
    WriteRegistry(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Game]\r\n\"v\"=\"1\"\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Game\\A]\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Game\\A\\Deep]\r\n\"w\"=dword:00000001\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Game\\B]\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Game2]\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Leaf]\r\n\"x\"=\"y\"\r\n");
  }
  void TearDown() override {
    qiv::platform::SetDeleteKeyExResolverForTest(nullptr);
    RegistryScratchTest::TearDown();
  }
};

TEST_F(RegistryKeyTest, DeleteTreeRemovesEveryLevelAndNothingElse) {
  CRegistryKey vendor;
  ASSERT_EQ(vendor.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor", kReadWrite), ERROR_SUCCESS);
  EXPECT_EQ(vendor.DeleteTree(L"Game"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Game"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Game2"));
  EXPECT_EQ(vendor.DeleteTree(L"Leaf"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Leaf"));
  // The deletions reached the file.
  EXPECT_EQ(RegistryText().find("Vendor\\Game\\A"), std::string::npos);
  EXPECT_NE(RegistryText().find("Vendor\\Game2]"), std::string::npos);

  const std::string before = RegistryText();
  EXPECT_EQ(vendor.DeleteTree(L"Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegistryText(), before);
}

TEST_F(RegistryKeyTest, DeleteTreeBelowAnOpenedRoot) {
  CRegistryKey root;
  ASSERT_EQ(root.Open(HKEY_LOCAL_MACHINE, nullptr, kReadWrite), ERROR_SUCCESS);
  EXPECT_EQ(root.DeleteTree(L"SOFTWARE\\Vendor\\Game"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Game"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor"));
}

TEST_F(RegistryKeyTest, EmptyNamesAreRefused) {
  const std::string before = RegistryText();
  CRegistryKey vendor;
  ASSERT_EQ(vendor.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor", kReadWrite), ERROR_SUCCESS);
  EXPECT_EQ(vendor.DeleteTree(L""), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(vendor.DeleteTree(nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(vendor.DeleteSubKey(L""), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(vendor.DeleteSubKey(nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegistryText(), before);
}

TEST_F(RegistryKeyTest, OpenAndCloseFollowTheStateRules) {
  CRegistryKey key;
  EXPECT_EQ(key.Close(), ERROR_SUCCESS);
  ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor", KEY_READ | KEY_WOW64_64KEY),
            ERROR_SUCCESS);
  const HKEY first = key.Handle();
  EXPECT_EQ(key.ViewFlags(), static_cast<REGSAM>(KEY_WOW64_64KEY));
  // A failed open keeps the handle held and usable.
  EXPECT_EQ(key.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Missing", KEY_READ), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key.Handle(), first);
  EXPECT_EQ(key.ViewFlags(), static_cast<REGSAM>(KEY_WOW64_64KEY));
  wchar_t name[256];
  DWORD size = 256;
  EXPECT_EQ(RegEnumKeyExW(first, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  // A successful open closes the first handle.
  ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Game", KEY_READ), ERROR_SUCCESS);
  EXPECT_NE(key.Handle(), first);
  EXPECT_EQ(key.ViewFlags(), 0u);
  EXPECT_EQ(RegCloseKey(first), ERROR_INVALID_HANDLE);
  EXPECT_EQ(key.Close(), ERROR_SUCCESS);
  EXPECT_EQ(key.Handle(), nullptr);
  EXPECT_EQ(key.Close(), ERROR_SUCCESS);
}

TEST_F(RegistryKeyTest, AMovedKeyIsClosedOnceByItsLastHolder) {
  CRegistryKey first;
  ASSERT_EQ(first.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor", KEY_READ | KEY_WOW64_64KEY),
            ERROR_SUCCESS);
  const HKEY handle = first.Handle();
  CRegistryKey second(std::move(first));
  EXPECT_EQ(first.Handle(), nullptr);
  EXPECT_EQ(first.ViewFlags(), 0u);
  EXPECT_EQ(second.Handle(), handle);
  EXPECT_EQ(second.ViewFlags(), static_cast<REGSAM>(KEY_WOW64_64KEY));
  CRegistryKey third;
  ASSERT_EQ(third.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Game", KEY_READ), ERROR_SUCCESS);
  const HKEY replaced = third.Handle();
  third = std::move(second);
  EXPECT_EQ(third.Handle(), handle);
  EXPECT_EQ(RegCloseKey(replaced), ERROR_INVALID_HANDLE);  // closed by the assignment
  EXPECT_EQ(first.Close(), ERROR_SUCCESS);
  EXPECT_EQ(second.Close(), ERROR_SUCCESS);
  EXPECT_EQ(third.Close(), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(handle), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryKeyTest, SubkeyNamesComeOneByOne) {
  CRegistryKey game;
  ASSERT_EQ(game.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Game", KEY_READ), ERROR_SUCCESS);
  std::vector<std::wstring> names;
  qiv::platform::KeyName name = {};
  for (DWORD index = 0; qiv::platform::NextSubkeyName(game.Handle(), index, name);) {
    names.emplace_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"A", L"B"}));
  CRegistryKey leaf;
  ASSERT_EQ(leaf.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Leaf", KEY_READ), ERROR_SUCCESS);
  DWORD index = 0;
  EXPECT_FALSE(qiv::platform::NextSubkeyName(leaf.Handle(), index, name));
}

TEST_F(RegistryKeyTest, DeletesInTheOpenedViewAndLooksTheFunctionUpOnce) {
  qiv::platform::SetDeleteKeyExResolverForTest(&FindRecording);
  CRegistryKey vendor;
  ASSERT_EQ(vendor.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor", kReadWrite | KEY_WOW64_64KEY),
            ERROR_SUCCESS);
  EXPECT_EQ(vendor.DeleteTree(L"Game"), ERROR_SUCCESS);
  EXPECT_EQ(vendor.DeleteSubKey(L"Leaf"), ERROR_SUCCESS);
  EXPECT_EQ(record.lookups, 1);
  // Game\A\Deep, Game\A, Game\B, Game, Leaf: all in the 64-bit view.
  EXPECT_EQ(record.views, std::vector<REGSAM>(5, KEY_WOW64_64KEY));

  CRegistryKey plain;
  ASSERT_EQ(plain.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor", kReadWrite), ERROR_SUCCESS);
  EXPECT_EQ(plain.DeleteSubKey(L"Game2"), ERROR_SUCCESS);
  EXPECT_EQ(record.views.back(), 0u);
  EXPECT_EQ(record.lookups, 1);
}

TEST_F(RegistryKeyTest, FallsBackWhenTheFunctionIsMissingAndLooksOnlyOnce) {
  qiv::platform::SetDeleteKeyExResolverForTest(&FindNothing);
  CRegistryKey vendor;
  ASSERT_EQ(vendor.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor", kReadWrite), ERROR_SUCCESS);
  EXPECT_EQ(vendor.DeleteTree(L"Game"), ERROR_SUCCESS);
  EXPECT_EQ(vendor.DeleteSubKey(L"Leaf"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Game"));
  EXPECT_EQ(record.lookups, 1);
}

int FailRename(const char*, const char*) { return -1; }

TEST_F(RegistryKeyTest, DeleteTreeStopsAtTheFirstFailure) {
  CRegistryKey vendor;
  ASSERT_EQ(vendor.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor", kReadWrite), ERROR_SUCCESS);
  // The file cannot be rewritten: the first deletion fails and the walk ends there.
  qiv::posix::SetRenameFunctionForTesting(&FailRename);
  const LSTATUS status = vendor.DeleteTree(L"Game");
  qiv::posix::SetRenameFunctionForTesting(nullptr);
  EXPECT_NE(status, ERROR_SUCCESS);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Game\\A\\Deep"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Game\\B"));
}

TEST_F(RegistryKeyTest, ASubkeyThatSurvivesItsDeletionEndsTheWalk) {
  record.pretend = true;
  qiv::platform::SetDeleteKeyExResolverForTest(&FindRecording);
  CRegistryKey vendor;
  ASSERT_EQ(vendor.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor", kReadWrite), ERROR_SUCCESS);
  EXPECT_EQ(vendor.DeleteTree(L"Game"), ERROR_KEY_HAS_CHILDREN);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Game\\A\\Deep"));
}

TEST_F(RegistryKeyTest, TreesDeeperThanWindowsAllowsAreRefusedWhole) {
  std::string body;
  std::string path = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Deep";
  for (int level = 0; level < 520; ++level) {
    path += "\\k";
    body += "[" + path + "]\r\n";
  }
  WriteRegistry(body);
  CRegistryKey software;
  ASSERT_EQ(software.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE", kReadWrite), ERROR_SUCCESS);
  EXPECT_EQ(software.DeleteTree(L"Deep"), ERROR_KEY_HAS_CHILDREN);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Deep\\k"));
}

}  // namespace

#endif  // _WIN32
