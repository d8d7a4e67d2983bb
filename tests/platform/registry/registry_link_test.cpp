// A registry link inside a deleted tree goes as the link; the key it points to
// stays. Links exist only in the real registry, so this runs in the Windows build
// (under Wine in CI).
#ifdef _WIN32

#include <gtest/gtest.h>

#include <string>

#include "platform/current_user.h"
#include "platform/registry_key.h"

namespace {

constexpr wchar_t kBase[] = L"Software\\QivLinkTest";

bool KeyExists(const std::wstring& path, DWORD options = 0) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), options, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

bool CreateKey(const std::wstring& path, DWORD options, HKEY* result = nullptr) {
  HKEY key = nullptr;
  const REGSAM access = KEY_ALL_ACCESS | ((options & REG_OPTION_CREATE_LINK) ? KEY_CREATE_LINK : 0);
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, options, access, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  if (result != nullptr) {
    *result = key;
  } else {
    RegCloseKey(key);
  }
  return true;
}

TEST(RegistryLinkTest, DeleteTreeRemovesALinkAsTheLink) {
  const std::wstring base = kBase;
  CRegistryKey cleanup;
  if (cleanup.Open(HKEY_CURRENT_USER, nullptr, KEY_READ | KEY_WRITE) == ERROR_SUCCESS) {
    cleanup.DeleteTree(kBase);
  }
  ASSERT_TRUE(CreateKey(base + L"\\Target\\Sub", 0));
  ASSERT_TRUE(CreateKey(base + L"\\Tree\\Plain", 0));
  HKEY link = nullptr;
  ASSERT_TRUE(
      CreateKey(base + L"\\Tree\\Link", REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK, &link));
  const std::wstring target =
      L"\\Registry\\User\\" + qiv::platform::CurrentUserSid() + L"\\" + base + L"\\Target";
  ASSERT_EQ(RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                           reinterpret_cast<const BYTE*>(target.c_str()),
                           static_cast<DWORD>(target.size() * sizeof(wchar_t))),
            ERROR_SUCCESS);
  RegCloseKey(link);
  ASSERT_TRUE(KeyExists(base + L"\\Tree\\Link\\Sub")) << "the link does not lead to its target";

  CRegistryKey root;
  ASSERT_EQ(root.Open(HKEY_CURRENT_USER, nullptr, KEY_READ | KEY_WRITE), ERROR_SUCCESS);
  EXPECT_EQ(root.DeleteTree((base + L"\\Tree").c_str()), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(base + L"\\Tree"));
  EXPECT_TRUE(KeyExists(base + L"\\Target\\Sub"));
  root.DeleteTree(kBase);
}

}  // namespace

#endif  // _WIN32
